#include "app/qt/ResultLabel.h"

#include <QFontMetrics>
#include <QPainter>

using kq::TextWrap;

int ResultLabel::WrapFlags(TextWrap wrap) {
    switch (wrap) {
        case TextWrap::Words: return Qt::TextWordWrap;
        case TextWrap::Anywhere: return Qt::TextWrapAnywhere;
        case TextWrap::None: break;
    }
    return Qt::TextSingleLine;
}

QFont ResultLabel::FontAt(int pixelSize) const {
    QFont sized = font();
    sized.setPixelSize(pixelSize);
    return sized;
}

kq::TextExtent ResultLabel::Measure(const std::string& text, int pixelSize, TextWrap wrap, int wrapWidth) const {
    QFontMetrics metrics(FontAt(pixelSize));
    const QString shown = QString::fromStdString(text);
    // One line is measured as QLabel sizes itself; wrapped text as paintEvent draws it.
    QSize size = wrap == TextWrap::None
                     ? metrics.size(Qt::TextSingleLine, shown)
                     : metrics.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::AlignLeft | WrapFlags(wrap), shown).size();
    return {size.width(), size.height()};
}

void ResultLabel::SetFittedText(const QString& text) {
    setText(text);
    fit_ = kq::FitResultText(text.toStdString(), [this](const std::string& t, int size, TextWrap wrap, int width) {
        return Measure(t, size, wrap, width);
    });
    setFont(FontAt(fit_.pixelSize));
    setWordWrap(fit_.wrap != TextWrap::None);
    setGeometry(fit_.box.left, fit_.box.top, fit_.box.width, fit_.box.height);
    // Cut text is still there whole for a pointer and for assistive technology.
    setToolTip(fit_.whole ? QString() : text);
}

// Wrapped text is drawn with the same flags it was measured with; QLabel's
// own word wrap cannot break a long file name.
void ResultLabel::paintEvent(QPaintEvent* event) {
    if (fit_.wrap == TextWrap::None) return QLabel::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | WrapFlags(fit_.wrap), text());
}
