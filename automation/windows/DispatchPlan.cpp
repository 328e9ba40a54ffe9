#include "DispatchPlan.h"

#include "AutomationNode.h"

#include <QDateTime>

namespace {

bool isInteger(unsigned short vt)
{
    switch (vt) {
    case VarType::I1: case VarType::I2: case VarType::I4: case VarType::Int:
    case VarType::UI1: case VarType::UI2: case VarType::UI4: case VarType::UInt:
        return true;
    default:
        return false;
    }
}

bool isPlainValue(const QVariant &value)
{
    if (!value.isValid() || nodeOf(value))
        return false;
    switch (value.userType()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
        return false;
    default:
        return true;
    }
}

template<typename T>
QVariant converted(const QVariant &value)
{
    QVariant copy = value;
    return copy.convert(qMetaTypeId<T>()) ? copy : value;
}

QVariantList coerced(const QVariantList &args, const QVector<unsigned short> &types)
{
    QVariantList out;
    for (int i = 0; i < args.size(); ++i)
        out << (i < types.size() ? coerceArgument(args.at(i), types.at(i)) : args.at(i));
    return out;
}

// A put's value goes to the last parameter even when optional index
// parameters before it are left out.
QVariantList coercedPut(const QVariantList &args, const QVector<unsigned short> &types)
{
    if (args.isEmpty() || types.isEmpty())
        return args;
    QVariantList out = coerced(args.mid(0, args.size() - 1), types.mid(0, types.size() - 1));
    out << coerceArgument(args.last(), types.last());
    return out;
}

DispatchPlan putPlan(const DispatchMember &member, const QVariantList &args)
{
    return DispatchPlan{member, DispatchKind::Put, coercedPut(args, member.putParams)};
}

bool takesPut(const DispatchMember &member, int argumentCount)
{
    return argumentCount > 0 && member.described && member.putter && !member.method
        && member.getParams.size() < argumentCount;
}

} // namespace

QVariant coerceArgument(const QVariant &value, unsigned short vt)
{
    if (!isPlainValue(value))
        return value;
    if (vt == VarType::Bool) {
        if (value.userType() == QMetaType::QString) {
            const QString text = value.toString().trimmed();
            bool isNumber = false;
            const double number = text.toDouble(&isNumber);
            if (isNumber)
                return number != 0;
            return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        }
        return converted<bool>(value);
    }
    if (isInteger(vt))
        return converted<int>(value);
    if (vt == VarType::R4 || vt == VarType::R8 || vt == VarType::Currency)
        return converted<double>(value);
    if (vt == VarType::Bstr)
        return converted<QString>(value);
    if (vt == VarType::Date && value.userType() != QMetaType::QDate)
        return converted<QDateTime>(value);
    return value;
}

std::optional<DispatchPlan> planCall(const QByteArray &name, const QVariantList &args,
                                     const MemberLookup &lookup)
{
    const std::optional<DispatchMember> member = lookup(name);
    if (!member) {
        if (args.size() != 1 || name.size() <= 3 || !name.startsWith("Set"))
            return std::nullopt;
        const std::optional<DispatchMember> property = lookup(name.mid(3));
        if (!property)
            return std::nullopt;
        return putPlan(*property, args);
    }
    if (takesPut(*member, args.size()))
        return putPlan(*member, args);
    const QVector<unsigned short> &types = member->method ? member->methodParams : member->getParams;
    return DispatchPlan{*member, DispatchKind::MethodOrGet, coerced(args, types)};
}

std::optional<DispatchPlan> planPut(const QByteArray &name, const QVariant &value,
                                    const MemberLookup &lookup)
{
    const std::optional<DispatchMember> member = lookup(name);
    if (!member)
        return std::nullopt;
    return putPlan(*member, {value});
}
