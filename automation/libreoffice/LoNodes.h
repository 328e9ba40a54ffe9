#pragma once

#include "AutomationNode.h"
#include "MemberCatalogue.h"
#include "MemberText.h"
#include "SheetArea.h"

#include <memory>

class Book;
class OfficeSession;
struct SheetState;

// The object model of "Excel.Application" over LibreOffice Calc. Each class
// answers the member texts the engine uses on that kind of object.

class LoNode : public AutomationNode
{
public:
    explicit LoNode(std::shared_ptr<OfficeSession> session) : m_session(std::move(session)) {}
    bool disconnected() const override;
    QVariant call(const MemberText &, const QVariantList &) override { return QVariant(); }
    std::shared_ptr<AutomationNode> query(const MemberText &, const QVariantList &) override { return nullptr; }
    QVariant get(const QByteArray &) override { return QVariant(); }
    bool set(const QByteArray &, const QVariant &) override { return false; }

protected:
    OfficeSession &session() const { return *m_session; }
    std::shared_ptr<OfficeSession> m_session;
};

// A new application object with its own office behind it.
std::shared_ptr<AutomationNode> createLibreOfficeApplication();

class LoApplication : public LoNode
{
public:
    explicit LoApplication(std::shared_ptr<OfficeSession> session) : LoNode(std::move(session)) {}
    ~LoApplication() override;
    void abort() override;
    QVariant call(const MemberText &member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
    bool set(const QByteArray &name, const QVariant &value) override;
};

class LoWorkbooks : public LoNode
{
public:
    explicit LoWorkbooks(std::shared_ptr<OfficeSession> session) : LoNode(std::move(session)) {}
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
};

class LoBookNode : public LoNode
{
public:
    LoBookNode(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book)
        : LoNode(std::move(session)), m_book(std::move(book)) {}

protected:
    std::shared_ptr<Book> m_book;
};

class LoWorkbook : public LoBookNode
{
public:
    using LoBookNode::LoBookNode;
    QVariant call(const MemberText &member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
    bool set(const QByteArray &name, const QVariant &value) override;
};

class LoSheets : public LoBookNode
{
public:
    using LoBookNode::LoBookNode;
    QVariant call(const MemberText &member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
};

class LoSheetNode : public LoBookNode
{
public:
    LoSheetNode(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, std::shared_ptr<SheetState> sheet)
        : LoBookNode(std::move(session), std::move(book)), m_sheet(std::move(sheet)) {}
    const std::shared_ptr<SheetState> &sheetState() const { return m_sheet; }

    // The book hears what every call and assignment does to the sheet before
    // it is made.
    QVariant call(const MemberText &member, const QVariantList &args) final;
    bool set(const QByteArray &name, const QVariant &value) final;

protected:
    // What the node is, for the catalogue's sheet-use rules.
    virtual ObjectKind objectKind() const = 0;
    virtual QVariant callOnSheet(const MemberText &, const QVariantList &) { return QVariant(); }
    virtual bool setOnSheet(const QByteArray &, const QVariant &) { return false; }

    std::shared_ptr<SheetState> m_sheet;
};

class LoWorksheet : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Worksheet; }
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;

protected:
    QVariant callOnSheet(const MemberText &member, const QVariantList &args) override;
    bool setOnSheet(const QByteArray &name, const QVariant &value) override;

private:
    QVariant copyBefore(const QVariantList &args);
    QVariant moveBefore(const QVariantList &args);
    bool rename(const QString &name);
};

// A range: one or more rectangles of one sheet. Making one costs nothing;
// the office is asked only when the range is read or written.
class LoRange : public LoSheetNode
{
public:
    enum class Kind { Cells, Rows, Columns, EntireRows };
    LoRange(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, std::shared_ptr<SheetState> sheet,
            QList<SheetArea> areas, Kind kind = Kind::Cells);

    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;

    const QList<SheetArea> &areas() const { return m_areas; }
    ObjectKind objectKind() const override { return ObjectKind::Range; }

protected:
    QVariant callOnSheet(const MemberText &member, const QVariantList &args) override;
    bool setOnSheet(const QByteArray &name, const QVariant &value) override;

private:
    std::shared_ptr<AutomationNode> derived(QList<SheetArea> areas, Kind kind = Kind::Cells) const;
    QVariant value();
    QVariant setValue(const QVariant &value);
    QVariant shownText();
    std::shared_ptr<AutomationNode> mergeArea();
    std::shared_ptr<AutomationNode> endUp();
    QVariant autoFilter(const QVariantList &args);
    std::shared_ptr<AutomationNode> visibleCells();
    QVariant deleteRows();
    QVariant setFormula(const QString &formula);
    QVariant formulaR1C1();
    QVariant setFormulaR1C1(const QString &formula);
    bool setProtection(const QByteArray &which, bool on);

    QList<SheetArea> m_areas;
    Kind m_kind;
};

class LoHyperlinks : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Hyperlinks; }

protected:
    QVariant callOnSheet(const MemberText &member, const QVariantList &args) override;
};

class LoProtection : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Protection; }
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
};

class LoAllowEditRanges : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::AllowEditRanges; }

protected:
    QVariant callOnSheet(const MemberText &member, const QVariantList &args) override;
};
