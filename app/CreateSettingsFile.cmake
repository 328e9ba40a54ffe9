# cmake -DSETTINGS_FILE=path -P CreateSettingsFile.cmake
# Creates an empty settings file; an existing one is never touched.
if(NOT SETTINGS_FILE)
  message(FATAL_ERROR "SETTINGS_FILE not given")
endif()
if(NOT EXISTS "${SETTINGS_FILE}")
  file(WRITE "${SETTINGS_FILE}" "")
endif()
