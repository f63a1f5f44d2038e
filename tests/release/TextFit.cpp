#include "TextFit.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <cmath>

namespace textfit {

namespace {

// How far ink may reach past an edge before it counts as cut off: less than a pixel row or column.
constexpr qreal kSlack = 0.5;
// What a user may type into an empty box: Chinese, which reaches highest and lowest among its texts.
const QString kTypedSample = QStringLiteral("日记正文");

QString withoutMnemonics(QString text) {
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QLatin1String("&"));
    return text;
}

QString nameOf(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

class Checker {
public:
    QStringList problems;

    // A line of text drawn into textRect with an alignment, as QPainter::drawText places it, and shown only
    // inside clip.
    void checkAlignedLine(const QWidget* w, const QString& text, const QRectF& textRect, Qt::Alignment alignment,
                          const QRectF& clip, bool checkWidth = true) {
        const QFontMetricsF fm(w->font());
        const qreal lineHeight = std::ceil(fm.ascent() + fm.descent());
        const qreal advance = fm.horizontalAdvance(text);
        qreal top = textRect.top() + (textRect.height() - lineHeight) / 2;
        if (alignment & Qt::AlignTop)
            top = textRect.top();
        else if (alignment & Qt::AlignBottom)
            top = textRect.bottom() - lineHeight;
        qreal left = textRect.left();
        if (alignment & Qt::AlignHCenter)
            left = textRect.left() + (textRect.width() - advance) / 2;
        else if (alignment & Qt::AlignRight)
            left = textRect.right() - advance;
        checkInk(w, text, QPointF(left, top + fm.ascent()), clip, checkWidth);
        if (checkWidth && advance > textRect.width() + kSlack)
            report(w, text, QStringLiteral("%1 px wide in %2 px").arg(advance).arg(textRect.width()));
    }

    // The glyphs' outline with the baseline starting at origin must lie inside clip.
    void checkInk(const QWidget* w, const QString& text, const QPointF& origin, const QRectF& clip, bool checkWidth) {
        // The outlines themselves, not the font's rounded per-glyph boxes.
        QPainterPath outline;
        outline.addText(origin, w->font(), text);
        const QRectF ink = outline.boundingRect();
        if (ink.top() < clip.top() - kSlack)
            report(w, text, QStringLiteral("top cut by %1 px").arg(clip.top() - ink.top()));
        if (ink.bottom() > clip.bottom() + kSlack)
            report(w, text, QStringLiteral("bottom cut by %1 px").arg(ink.bottom() - clip.bottom()));
        if (checkWidth && (ink.left() < clip.left() - kSlack || ink.right() > clip.right() + kSlack))
            report(w, text,
                   QStringLiteral("sides cut (ink %1..%2, shown %3..%4)")
                       .arg(ink.left())
                       .arg(ink.right())
                       .arg(clip.left())
                       .arg(clip.right()));
    }

    void report(const QWidget* w, const QString& text, const QString& how) {
        problems << QStringLiteral("%1 \"%2\": %3").arg(nameOf(w), text, how);
    }

    void label(const QLabel* l) {
        if (l->text().isEmpty() || l->wordWrap())
            return;
        const QString text =
            l->textFormat() == Qt::PlainText || !Qt::mightBeRichText(l->text()) ? l->text() : QString();
        if (text.isEmpty())
            return;
        const QRectF clip = QRectF(l->rect());
        checkAlignedLine(l, text, QRectF(l->contentsRect()), l->alignment(), clip);
    }

    void button(const QPushButton* b) {
        const QString text = withoutMnemonics(b->text());
        if (text.isEmpty())
            return;
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        if (b->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        const QRectF contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        checkAlignedLine(b, text, contents, Qt::AlignCenter, contents);
    }

    void lineEdit(const QLineEdit* e) {
        QStyleOptionFrame panel;
        panel.initFrom(e);
        panel.rect = e->rect();
        panel.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, e) : 0;
        panel.midLineWidth = 0;
        panel.state |= QStyle::State_Sunken;
        if (e->isReadOnly())
            panel.state |= QStyle::State_ReadOnly;
        const QRect shown =
            e->style()->subElementRect(QStyle::SE_LineEditContents, &panel, e).marginsRemoved(e->textMargins());
        // QLineEdit centres a line of the font's height (or the text's, when taller) in its contents and
        // clips to them; the text scrolls sideways, so only the height has to fit.
        const QFontMetrics fm(e->font());
        for (const QString& text : {e->displayText(), kTypedSample}) {
            if (text.isEmpty())
                continue;
            const int lineHeight = qMax(fm.boundingRect(text).height(), fm.height());
            const int top = shown.y() + (shown.height() - lineHeight + 1) / 2;
            checkInk(e, text, QPointF(shown.x(), top + fm.ascent()), QRectF(shown), false);
        }
    }

    void dropDownList(const QComboBox* c) {
        if (c->isEditable())
            return; // its text is a line edit of its own, checked as one
        QStyleOptionComboBox option;
        option.initFrom(c);
        option.editable = false;
        option.frame = c->hasFrame();
        option.currentText = c->currentText();
        const QRectF field = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c);
        // Every choice shows here once picked.
        for (int i = 0; i < c->count(); ++i)
            checkAlignedLine(c, c->itemText(i), field.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter, field);
    }
};

} // namespace

QStringList clippedTexts(const QWidget* window) {
    Checker checker;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        if (auto* l = qobject_cast<const QLabel*>(w))
            checker.label(l);
        else if (auto* b = qobject_cast<const QPushButton*>(w))
            checker.button(b);
        else if (auto* e = qobject_cast<const QLineEdit*>(w))
            checker.lineEdit(e);
        else if (auto* c = qobject_cast<const QComboBox*>(w))
            checker.dropDownList(c);
    }
    return checker.problems;
}

} // namespace textfit
