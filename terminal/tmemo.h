#pragma once

#include <QPlainTextEdit>

// The terminal's text boxes: read-only, lines never wrapped.
inline QPlainTextEdit* TMakeMemo(QWidget* parent, const QString& name) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}
