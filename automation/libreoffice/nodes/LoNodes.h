#pragma once

#include "AutomationNode.h"
#include "MemberCatalogue.h"
#include "MemberText.h"
#include "SheetArea.h"
#include "SheetUseRules.h"

#include <memory>

#include <com/sun/star/beans/XPropertySet.hpp>

class Book;
class OfficeSession;

// The object model of "Excel.Application" over LibreOffice Calc. Each class
// answers the members the catalogue holds for that kind of object.

class LoNode : public AutomationNode
{
public:
    explicit LoNode(std::shared_ptr<OfficeSession> session) : m_session(std::move(session)) {}
    bool disconnected() const override;

    // Each finds its member in the catalogue by this object's kind and hands
    // it to the node's own answer; a member the catalogue does not hold fails.
    QVariant call(const MemberText &member, const QVariantList &args) final;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) final;
    QVariant get(const QByteArray &name) final;
    bool set(const QByteArray &name, const QVariant &value) final;

    // What the node is, for finding its members in the catalogue.
    virtual ObjectKind objectKind() const = 0;

protected:
    virtual QVariant callMember(Member, const QVariantList &) { return QVariant(); }
    virtual std::shared_ptr<AutomationNode> queryMember(Member, const QVariantList &) { return nullptr; }
    virtual QVariant getMember(Member) { return QVariant(); }
    virtual bool setMember(Member, const QVariant &) { return false; }
    // Told of every member before it is reached, and of every call and
    // assignment once it is made.
    virtual void beforeUse(const SheetCall &) {}
    virtual void afterUse(const SheetCall &) {}

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
    ObjectKind objectKind() const override { return ObjectKind::Application; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
    bool setMember(Member member, const QVariant &value) override;
};

class LoWorkbooks : public LoNode
{
public:
    explicit LoWorkbooks(std::shared_ptr<OfficeSession> session) : LoNode(std::move(session)) {}
    ObjectKind objectKind() const override { return ObjectKind::Workbooks; }

protected:
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
};

class LoBookNode : public LoNode
{
public:
    LoBookNode(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book)
        : LoNode(std::move(session)), m_book(std::move(book)) {}

protected:
    // The sheet at a position counted from 1; null for none.
    std::shared_ptr<AutomationNode> worksheetAt(int position) const;

    std::shared_ptr<Book> m_book;
};

class LoWorkbook : public LoBookNode
{
public:
    using LoBookNode::LoBookNode;
    ObjectKind objectKind() const override { return ObjectKind::Workbook; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
    bool setMember(Member member, const QVariant &value) override;
};

class LoSheets : public LoBookNode
{
public:
    using LoBookNode::LoBookNode;
    ObjectKind objectKind() const override { return ObjectKind::Sheets; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
};

class LoSheetNode : public LoBookNode
{
public:
    LoSheetNode(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, std::shared_ptr<SheetState> sheet)
        : LoBookNode(std::move(session), std::move(book)), m_sheet(std::move(sheet)) {}
    const std::shared_ptr<SheetState> &sheetState() const { return m_sheet; }

protected:
    // The book applies its rules to the sheet before every member and after
    // every call and assignment (see SheetUseRules).
    void beforeUse(const SheetCall &use) final;
    void afterUse(const SheetCall &use) final;
    // The sheet whose cells the member being answered reads: the sheet
    // itself, or a stand-in's source.
    SheetState &cells() const { return m_cells ? *m_cells : *m_sheet; }
    // The cells the node stands for, when it is a range of cells.
    virtual QList<SheetArea> cellAreas() const { return {}; }

    std::shared_ptr<SheetState> m_sheet;

private:
    SheetState *m_cells = nullptr;
};

class LoWorksheet : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Worksheet; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
    bool setMember(Member member, const QVariant &value) override;

private:
    QVariant copyBefore(const QVariantList &args);
    QVariant moveBefore(const QVariantList &args);
    bool rename(const QString &name);
    bool clearSheetFilter(bool keepButtons);
    // The sheet's own filter (its buttons), null when it has none; throws as UNO does.
    css::uno::Reference<css::beans::XPropertySet> sheetFilterRange() const;
};

// A range: one or more rectangles of one sheet. Making one costs nothing;
// the office is asked only when the range is read or written.
class LoRange : public LoSheetNode
{
public:
    enum class Kind { Cells, Rows, Columns, EntireRows };
    LoRange(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, std::shared_ptr<SheetState> sheet,
            QList<SheetArea> areas, Kind kind = Kind::Cells);

    const QList<SheetArea> &areas() const { return m_areas; }
    ObjectKind objectKind() const override { return ObjectKind::Range; }
    QList<SheetArea> cellAreas() const override { return m_kind == Kind::Cells ? m_areas : QList<SheetArea>(); }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
    bool setMember(Member member, const QVariant &value) override;

private:
    std::shared_ptr<AutomationNode> derived(QList<SheetArea> areas, Kind kind = Kind::Cells) const;
    QVariant value();
    QVariant setValue(const QVariant &value);
    QVariant setBlockValues(const QVariantList &rows);
    QVariant fillFormats(const QVariantList &args);
    QVariant shownText();
    std::shared_ptr<AutomationNode> mergeArea();
    std::shared_ptr<AutomationNode> endUp();
    QVariant autoFilter(const QVariantList &args);
    std::shared_ptr<AutomationNode> visibleCells();
    QVariant deleteRows();
    QVariant setFormula(const QString &formula);
    QVariant formulaR1C1();
    QVariant setFormulaR1C1(const QString &formula);
    bool setProtection(Member which, bool on);

    QList<SheetArea> m_areas;
    Kind m_kind;
};

class LoHyperlinks : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Hyperlinks; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
};

class LoProtection : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::Protection; }

protected:
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
};

class LoAllowEditRanges : public LoSheetNode
{
public:
    using LoSheetNode::LoSheetNode;
    ObjectKind objectKind() const override { return ObjectKind::AllowEditRanges; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
};

// Workbook.CustomDocumentProperties: the document's user-defined properties.
class LoDocumentProperties : public LoBookNode
{
public:
    using LoBookNode::LoBookNode;
    ObjectKind objectKind() const override { return ObjectKind::DocumentProperties; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> queryMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;
};

// One of them, by its name.
class LoDocumentProperty : public LoBookNode
{
public:
    LoDocumentProperty(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, QString name)
        : LoBookNode(std::move(session), std::move(book)), m_name(std::move(name)) {}
    ObjectKind objectKind() const override { return ObjectKind::DocumentProperty; }

protected:
    QVariant callMember(Member member, const QVariantList &args) override;
    QVariant getMember(Member member) override;

private:
    QString m_name;
};
