#pragma once

#include "DispatchPlan.h"

#include <QHash>

#include <memory>
#include <optional>

#include <oaidl.h>

// The members of one automation interface as its type information lists
// them: methods, property gets and puts with their parameter types. Read
// once per interface and session; names are looked up without case, as
// GetIDsOfNames does.
class ComTypeTable
{
public:
    // The table of the object's own type information; null when it gives none.
    static std::shared_ptr<ComTypeTable> read(ITypeInfo *info);

    std::optional<DispatchMember> member(const QByteArray &name) const;

private:
    void addType(ITypeInfo *info, int depth);
    void addFunction(ITypeInfo *info, const FUNCDESC &function);
    void addVariable(ITypeInfo *info, const VARDESC &variable);
    DispatchMember &entry(ITypeInfo *info, MEMBERID id);

    QHash<QByteArray, DispatchMember> m_members;
};

// The interface id that the type information describes.
bool typeInfoId(ITypeInfo *info, GUID *id);
