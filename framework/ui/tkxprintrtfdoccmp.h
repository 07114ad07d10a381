#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QTextDocument;

// Prints a rich-text document onto a printer, page after page, inside fixed margins. The
// printer is chosen in the print dialog; a caller may choose it otherwise (a PDF file, say)
// through ChoosePrinter.
class TkxPrintRtfDoc : public QObject {
    Q_OBJECT
public:
    // The page and the print rectangle in twips.
    struct TRects {
        QRect Page;
        QRect Print;
    };
    // What a printer tells of its paper, in its own pixels.
    struct TPaper {
        int Width = 0;
        int Height = 0;
        int DpiX = 0;
        int DpiY = 0;
        int OffsetX = 0;
        int OffsetY = 0;
    };

    explicit TkxPrintRtfDoc(QObject* owner = nullptr);
    ~TkxPrintRtfDoc() override;

    // Twips per inch of the page computation.
    double PixToTwips = 1440;
    // Margins in centimetres.
    double L_Margin = 0.5;
    double R_Margin = 0.5;
    double T_Margin = 0.5;
    double B_Margin = 0.5;
    // The print job's title.
    QString Title = QStringLiteral("TkxPrintRtfDoc Execute");
    // The document printed; not owned.
    QTextDocument* Doc = nullptr;

    // Prints Doc; false when there is none or the printer was not chosen.
    bool Execute(bool endDoc);
    // Prints doc under that title; false when the printer was not chosen.
    bool PrintDoc(const QString& title, QTextDocument* doc, bool endDoc);
    // The rectangles of a paper: the page from the printable size, the print rectangle inside
    // the margins, both in twips; the offsets stay in printer pixels as the printer gives them.
    TRects Rects(const TPaper& paper) const;

    // The printer of the last print and the pages it took.
    QPrinter& Printer();
    int PagesPrinted() const { return FPages; }

    // Chooses and sets up the printer; false when cancelled. The print dialog unless replaced.
    std::function<bool(QPrinter& printer)> ChoosePrinter;

private:
    std::unique_ptr<QPrinter> FPrinter;
    int FPages = 0;
};
