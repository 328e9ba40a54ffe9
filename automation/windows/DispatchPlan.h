#pragma once

#include <QByteArray>
#include <QVariantList>
#include <QVector>

#include <functional>
#include <optional>

// Deciding how a member text reaches an automation object: as a method call
// or property get, or as a property put. Kept free of COM so that it can be
// tested on every platform.

// The automation type numbers (VARTYPE) that arguments are converted to.
namespace VarType {
enum : unsigned short {
    Empty = 0, I2 = 2, I4 = 3, R4 = 4, R8 = 5, Currency = 6, Date = 7, Bstr = 8,
    Dispatch = 9, Error = 10, Bool = 11, Variant = 12, Unknown = 13,
    I1 = 16, UI1 = 17, UI2 = 18, UI4 = 19, I8 = 20, UI8 = 21, Int = 22, UInt = 23,
};
}

// One member as the object's type information describes it. An object
// without type information still gives the id; `described` is then false.
struct DispatchMember
{
    long id = 0;
    bool described = false;
    bool method = false;
    bool getter = false;
    bool putter = false;
    bool returnsNothing = false; // a method that gives no value back
    QVector<unsigned short> methodParams; // parameter types, in order
    QVector<unsigned short> getParams;    // the property get's parameters (indexes)
    QVector<unsigned short> putParams;    // the property put's, the value last
};

enum class DispatchKind { MethodOrGet, Put };

struct DispatchPlan
{
    DispatchMember member;
    DispatchKind kind = DispatchKind::MethodOrGet;
    QVariantList args; // converted to the parameters' types where they are known

    // A put, or a method known to give nothing back: its success is all
    // there is to report (an empty result is then no failure).
    bool givesNothing() const
    {
        return kind == DispatchKind::Put || (member.method && member.returnsNothing);
    }
};

// The member called `name`, or nothing when the object has none.
using MemberLookup = std::function<std::optional<DispatchMember>(const QByteArray &name)>;

// A dynamicCall: "SetX" with one argument puts property X when the object has
// no member SetX; a property given more arguments than its get takes is put
// (the last argument is the value); everything else is a method call or a
// property get. Nothing when no member answers to the name.
std::optional<DispatchPlan> planCall(const QByteArray &name, const QVariantList &args,
                                     const MemberLookup &lookup);

// A setProperty: the value put into the property `name`.
std::optional<DispatchPlan> planPut(const QByteArray &name, const QVariant &value,
                                    const MemberLookup &lookup);

// The value as a parameter of type `vt` takes it, the way the application
// would read it: the text "false" for a bool parameter is false, "3" for an
// integer is 3. Values that do not convert, objects, lists and parameters
// of type VARIANT are passed as they are.
QVariant coerceArgument(const QVariant &value, unsigned short vt);
