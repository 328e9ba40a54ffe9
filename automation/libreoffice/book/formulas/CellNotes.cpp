#include "CellNotes.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XSheetAnnotation.hpp>
#include <com/sun/star/sheet/XSheetAnnotationAnchor.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>

using namespace css;

CellNotes keepNotes(const uno::Reference<sheet::XSpreadsheet> &sheet, int left, int top, int right, int bottom)
{
    CellNotes kept;
    uno::Reference<sheet::XSheetAnnotationsSupplier> supplier(sheet, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> notes(supplier->getAnnotations(), uno::UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < notes->getCount(); ++i) {
        uno::Reference<sheet::XSheetAnnotation> note(notes->getByIndex(i), uno::UNO_QUERY_THROW);
        const table::CellAddress at = note->getPosition();
        if (at.Row < top || at.Row > bottom || at.Column < left || at.Column > right)
            continue;
        kept.append({at, uno::Reference<text::XTextRange>(note, uno::UNO_QUERY_THROW)->getString(),
                     bool(note->getIsVisible())});
    }
    return kept;
}

void restoreNotes(const uno::Reference<sheet::XSpreadsheet> &sheet, const CellNotes &notes)
{
    if (notes.isEmpty())
        return;
    uno::Reference<sheet::XSheetAnnotationsSupplier> supplier(sheet, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetAnnotations> annotations = supplier->getAnnotations();
    for (const CellNote &note : notes) {
        uno::Reference<sheet::XSheetAnnotationAnchor> anchor(sheet->getCellByPosition(note.at.Column, note.at.Row),
                                                             uno::UNO_QUERY_THROW);
        // A comment the office kept stays as it is.
        if (!uno::Reference<text::XTextRange>(anchor->getAnnotation(), uno::UNO_QUERY_THROW)->getString().isEmpty())
            continue;
        annotations->insertNew(note.at, note.text);
        if (note.visible)
            anchor->getAnnotation()->setIsVisible(true);
    }
}
