#include "PdfNavigation.h"

#include "FileWriter.h"

#include <QFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

namespace {

using Object = QPDFObjectHandle;

// A destination that shows the whole page.
Object wholePage(const QPDFPageObjectHelper& page)
{
    return Object::newArray({page.getObjectHandle(), Object::newName("/Fit")});
}

// The outline: one item per printed table, in the book's order, at the top level.
void addOutline(QPDF& pdf, const std::vector<QPDFPageObjectHelper>& pages, const BookLayout& layout)
{
    Object outlines = pdf.makeIndirectObject(Object::newDictionary());
    outlines.replaceKey("/Type", Object::newName("/Outlines"));
    std::vector<Object> items;
    for (const auto& chapter : layout.chapters) {
        if (!chapter.printed)
            continue;
        Object item = pdf.makeIndirectObject(Object::newDictionary());
        item.replaceKey("/Title", Object::newUnicodeString(chapter.table.name.toStdString()));
        item.replaceKey("/Parent", outlines);
        item.replaceKey("/Dest", wholePage(pages.at(std::size_t(chapter.firstPage - 1))));
        if (!items.empty()) {
            item.replaceKey("/Prev", items.back());
            items.back().replaceKey("/Next", item);
        }
        items.push_back(item);
    }
    if (items.empty())
        return;
    outlines.replaceKey("/First", items.front());
    outlines.replaceKey("/Last", items.back());
    outlines.replaceKey("/Count", Object::newInteger(static_cast<long long>(items.size())));
    Object root = pdf.getRoot();
    root.replaceKey("/Outlines", outlines);
    root.replaceKey("/PageMode", Object::newName("/UseOutlines"));
}

// A link annotation over each contents entry. The device draws in dots from the top-left
// corner of the printable area; PDF measures points from the media box's lower-left
// corner, the printable area lying the unprintable offsets inside the sheet.
void addLinks(QPDF& pdf, std::vector<QPDFPageObjectHelper>& pages, const BookLayout& layout)
{
    const DeviceCaps& caps = layout.caps;
    for (const auto& link : layout.links) {
        QPDFPageObjectHelper& page = pages.at(std::size_t(link.page - 1));
        const Object::Rectangle media = page.getMediaBox().getArrayAsRectangle();
        const double scale = caps.physicalWidth > 0 ? (media.urx - media.llx) / caps.physicalWidth : 0;
        const auto x = [&](int dots) { return media.llx + (caps.offsetX + dots) * scale; };
        const auto y = [&](int dots) { return media.ury - (caps.offsetY + dots) * scale; };
        const QRect& a = link.area;
        Object annotation = pdf.makeIndirectObject(Object::newDictionary());
        annotation.replaceKey("/Type", Object::newName("/Annot"));
        annotation.replaceKey("/Subtype", Object::newName("/Link"));
        annotation.replaceKey("/Rect", Object::newArray(Object::Rectangle(x(a.left()), y(a.bottom() + 1),
                                                                          x(a.right() + 1), y(a.top()))));
        annotation.replaceKey("/Border",
                              Object::newArray({Object::newInteger(0), Object::newInteger(0), Object::newInteger(0)}));
        annotation.replaceKey("/Dest", wholePage(pages.at(std::size_t(link.target - 1))));
        Object pageObject = page.getObjectHandle();
        Object annotations = pageObject.getKey("/Annots");
        if (!annotations.isArray()) {
            annotations = Object::newArray();
            pageObject.replaceKey("/Annots", annotations);
        }
        annotations.appendItem(annotation);
    }
}

} // namespace

void addPdfNavigation(const QString& input, const QString& output, const BookLayout& layout)
{
    std::shared_ptr<Buffer> written;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(input).constData());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (int(pages.size()) != layout.pageCount)
            throw PrinterError(QStringLiteral("The book \"%1\" has %2 pages instead of the %3 planned.")
                                   .arg(input)
                                   .arg(pages.size())
                                   .arg(layout.pageCount));
        addOutline(pdf, pages, layout);
        addLinks(pdf, pages, layout);
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.write();
        written = writer.getBufferSharedPointer();
    } catch (const PrinterError&) {
        throw;
    } catch (const std::exception& e) {
        throw PrinterError(QStringLiteral("The book \"%1\" cannot be made navigable: %2")
                               .arg(input, QString::fromLocal8Bit(e.what())));
    }
    const QString error = writeFileAtomically(output, QByteArray::fromRawData(reinterpret_cast<const char*>(
                                                                                  written->getBuffer()),
                                                                              qsizetype(written->getSize())));
    if (!error.isEmpty())
        throw PrinterError(QStringLiteral("The book cannot be written to \"%1\": %2").arg(output, error));
}

} // namespace korvex
