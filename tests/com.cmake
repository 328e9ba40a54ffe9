# The Windows backend: how member texts become COM calls (on every
# platform), and the backend itself against the automation servers that
# Windows (or Wine) provides.
sheetsplicer_add_test(com_dispatch_plan_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/com_dispatch_plan_test.cpp
  LIBS automation_dispatch_plan automation_core no_platform_backend
  LABELS com)

# The catalogue's members against Excel's object model as its reference
# describes it, and the plans the COM layer makes for them.
sheetsplicer_add_test(com_member_table_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/com_member_table_test.cpp
  LIBS automation_dispatch_plan automation_core no_platform_backend
  LABELS com)

if(WIN32)
  sheetsplicer_add_test(com_backend_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/com_backend_test.cpp
    LIBS automation_core automation_platform
    TIMEOUT 120 LABELS com)

  # The application's process: ended when it outlives its job, and no other.
  sheetsplicer_add_test(com_process_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/com_process_test.cpp
    LIBS automation_com
    TIMEOUT 120 LABELS com)
endif()
