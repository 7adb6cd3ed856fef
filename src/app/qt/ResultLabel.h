#pragma once
// The result line (Label4): a label that, when its text would run past the
// window, takes the smaller size or the lines FitResultText gives it.
#include "app/ResultFit.h"

#include <QLabel>

class ResultLabel : public QLabel {
public:
    using QLabel::QLabel;

    // Shows the text at the line's own font and place when it fits;
    // otherwise smaller, wrapped or wider, whichever shows it whole.
    void SetFittedText(const QString& text);
    const kq::ResultFit& Fit() const { return fit_; }

    // The extent of text in this label's font at pixelSize, as it paints it.
    kq::TextExtent Measure(const std::string& text, int pixelSize, kq::TextWrap wrap, int wrapWidth) const;
    static int WrapFlags(kq::TextWrap wrap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont FontAt(int pixelSize) const;

    kq::ResultFit fit_;
};
