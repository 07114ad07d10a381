#pragma once

#include <QDialog>

class QPlainTextEdit;
class TkxDMCollection;

// The list of supported devices: the definition folder searched, the extension, and the
// device versions each definition file there serves, in a fixed-pitch text box. Escape
// closes it.
class TkxSupportedDeviceList : public QDialog {
    Q_OBJECT
public:
    explicit TkxSupportedDeviceList(QWidget* parent = nullptr);
    ~TkxSupportedDeviceList() override;

    // Fills the text from the collection (null: none known).
    void Fill(TkxDMCollection* collection);
    QPlainTextEdit* Memo() const { return FMemo; }

private:
    QPlainTextEdit* FMemo;
};
