#include "ComTypeTable.h"

#include "ComVariant.h"

#include <QString>

namespace {

// Inherited interfaces are walked, but never in a loop.
constexpr int maxDepth = 8;

QVector<unsigned short> parameterTypes(const FUNCDESC &function)
{
    QVector<unsigned short> types;
    for (SHORT i = 0; i < function.cParams; ++i)
        types << function.lprgelemdescParam[i].tdesc.vt;
    return types;
}

// A dispatch view lists "void"; a plain interface an HRESULT without a
// [retval] parameter.
bool givesNoValue(const FUNCDESC &function)
{
    const VARTYPE type = function.elemdescFunc.tdesc.vt;
    if (type == VT_VOID)
        return true;
    if (type != VT_HRESULT)
        return false;
    for (SHORT i = 0; i < function.cParams; ++i) {
        if (function.lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)
            return false;
    }
    return true;
}

} // namespace

bool typeInfoId(ITypeInfo *info, GUID *id)
{
    TYPEATTR *attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)) || !attributes)
        return false;
    *id = attributes->guid;
    info->ReleaseTypeAttr(attributes);
    return true;
}

std::shared_ptr<ComTypeTable> ComTypeTable::read(ITypeInfo *info)
{
    if (!info)
        return nullptr;
    auto table = std::make_shared<ComTypeTable>();
    table->addType(info, 0);
    return table;
}

std::optional<DispatchMember> ComTypeTable::member(const QByteArray &name) const
{
    const auto it = m_members.constFind(name.toLower());
    if (it == m_members.constEnd())
        return std::nullopt;
    return it.value();
}

void ComTypeTable::addType(ITypeInfo *info, int depth)
{
    if (depth > maxDepth)
        return;
    TYPEATTR *attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)) || !attributes)
        return;

    // A dual interface answers through its dispatch view, whose member list
    // is what Invoke takes.
    if (attributes->typekind == TKIND_INTERFACE && (attributes->wTypeFlags & TYPEFLAG_FDUAL)) {
        HREFTYPE dispatchRef = 0;
        ITypeInfo *dispatchInfo = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &dispatchRef))
            && SUCCEEDED(info->GetRefTypeInfo(dispatchRef, &dispatchInfo)) && dispatchInfo) {
            info->ReleaseTypeAttr(attributes);
            addType(dispatchInfo, depth + 1);
            dispatchInfo->Release();
            return;
        }
    }

    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC *function = nullptr;
        if (SUCCEEDED(info->GetFuncDesc(i, &function)) && function) {
            addFunction(info, *function);
            info->ReleaseFuncDesc(function);
        }
    }
    for (UINT i = 0; i < attributes->cVars; ++i) {
        VARDESC *variable = nullptr;
        if (SUCCEEDED(info->GetVarDesc(i, &variable)) && variable) {
            addVariable(info, *variable);
            info->ReleaseVarDesc(variable);
        }
    }
    for (UINT i = 0; i < attributes->cImplTypes; ++i) {
        HREFTYPE baseRef = 0;
        ITypeInfo *base = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(i, &baseRef))
            && SUCCEEDED(info->GetRefTypeInfo(baseRef, &base)) && base) {
            addType(base, depth + 1);
            base->Release();
        }
    }
    info->ReleaseTypeAttr(attributes);
}

DispatchMember &ComTypeTable::entry(ITypeInfo *info, MEMBERID id)
{
    static DispatchMember unnamed;
    BSTR name = nullptr;
    UINT count = 0;
    if (FAILED(info->GetNames(id, &name, 1, &count)) || count == 0 || !name) {
        unnamed = DispatchMember();
        return unnamed;
    }
    const QByteArray key = fromBstr(name).toLatin1().toLower();
    SysFreeString(name);
    // The first description of a name wins; a base interface does not
    // override what the derived one says.
    auto it = m_members.find(key);
    if (it == m_members.end()) {
        it = m_members.insert(key, DispatchMember());
        it->id = id;
        it->described = true;
    }
    return it->id == id ? *it : (unnamed = DispatchMember());
}

void ComTypeTable::addFunction(ITypeInfo *info, const FUNCDESC &function)
{
    DispatchMember &member = entry(info, function.memid);
    if (!member.described)
        return;
    switch (function.invkind) {
    case INVOKE_FUNC:
        member.method = true;
        member.methodParams = parameterTypes(function);
        member.returnsNothing = givesNoValue(function);
        break;
    case INVOKE_PROPERTYGET:
        member.getter = true;
        member.getParams = parameterTypes(function);
        break;
    case INVOKE_PROPERTYPUT:
    case INVOKE_PROPERTYPUTREF:
        if (!member.putter)
            member.putParams = parameterTypes(function);
        member.putter = true;
        break;
    }
}

void ComTypeTable::addVariable(ITypeInfo *info, const VARDESC &variable)
{
    DispatchMember &member = entry(info, variable.memid);
    if (!member.described)
        return;
    member.getter = true;
    if (!(variable.wVarFlags & VARFLAG_FREADONLY)) {
        member.putter = true;
        member.putParams = {variable.elemdescVar.tdesc.vt};
    }
}
