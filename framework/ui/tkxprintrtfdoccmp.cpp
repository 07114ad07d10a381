#include "ui/tkxprintrtfdoccmp.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextFrameFormat>

#include <cmath>

namespace {

constexpr double kInchPerCm = 0.39370078740157;

} // namespace

TkxPrintRtfDoc::TkxPrintRtfDoc(QObject* owner)
    : QObject(owner) {
    ChoosePrinter = [](QPrinter& printer) {
        QPrintDialog dialog(&printer);
        return dialog.exec() == QDialog::Accepted;
    };
}

TkxPrintRtfDoc::~TkxPrintRtfDoc() = default;

QPrinter& TkxPrintRtfDoc::Printer() {
    if (FPrinter == nullptr) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *FPrinter;
}

bool TkxPrintRtfDoc::Execute(bool endDoc) {
    if (Doc == nullptr) {
        return false;
    }
    return PrintDoc(Title, Doc, endDoc);
}

TkxPrintRtfDoc::TRects TkxPrintRtfDoc::Rects(const TPaper& paper) const {
    TRects rects;
    const auto twips = static_cast<long long>(PixToTwips);
    if (paper.DpiX <= 0 || paper.DpiY <= 0) {
        return rects;
    }
    const auto right = static_cast<int>((paper.Width - paper.OffsetX) * twips / paper.DpiX);
    const auto bottom = static_cast<int>((paper.Height - paper.OffsetY) * twips / paper.DpiY);
    rects.Page = QRect(QPoint(0, 0), QPoint(right, bottom));
    const auto margin = [this](double cm) {
        return static_cast<int>(std::trunc(cm * PixToTwips * kInchPerCm));
    };
    rects.Print = QRect(QPoint(margin(L_Margin) - paper.OffsetX, margin(T_Margin) - paper.OffsetY),
                        QPoint(right - margin(R_Margin), bottom - margin(B_Margin)));
    return rects;
}

bool TkxPrintRtfDoc::PrintDoc(const QString& title, QTextDocument* doc, bool endDoc) {
    FPages = 0;
    QPrinter& printer = Printer();
    if (doc == nullptr || !ChoosePrinter || !ChoosePrinter(printer)) {
        return false;
    }
    printer.setFullPage(true);
    printer.setDocName(title);
    TPaper paper;
    const QRectF paperRect = printer.paperRect(QPrinter::DevicePixel);
    const QRectF pageRect = printer.pageRect(QPrinter::DevicePixel);
    paper.Width = static_cast<int>(paperRect.width());
    paper.Height = static_cast<int>(paperRect.height());
    paper.DpiX = printer.logicalDpiX();
    paper.DpiY = printer.logicalDpiY();
    paper.OffsetX = static_cast<int>(pageRect.left() - paperRect.left());
    paper.OffsetY = static_cast<int>(pageRect.top() - paperRect.top());
    const TRects rects = Rects(paper);
    // From twips to the printer's pixels.
    const auto toX = [&](int twips) { return twips * paper.DpiX / PixToTwips; };
    const auto toY = [&](int twips) { return twips * paper.DpiY / PixToTwips; };
    const QRectF body(QPointF(toX(rects.Print.left()), toY(rects.Print.top())),
                      QPointF(toX(rects.Print.right()), toY(rects.Print.bottom())));
    if (body.width() <= 0 || body.height() <= 0) {
        return false;
    }

    std::unique_ptr<QTextDocument> copy(doc->clone());
    copy->documentLayout()->setPaintDevice(&printer);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    copy->rootFrame()->setFrameFormat(frame);
    copy->setPageSize(body.size());

    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const int pages = copy->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            printer.newPage();
        }
        painter.save();
        painter.translate(body.left(), body.top() - page * body.height());
        const QRectF visible(0, page * body.height(), body.width(), body.height());
        painter.setClipRect(visible);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = visible;
        copy->documentLayout()->draw(&painter, context);
        painter.restore();
        ++FPages;
    }
    if (endDoc) {
        painter.end();
    }
    return true;
}
