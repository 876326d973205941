// File: gui/twips.cpp
#include "gui/twips.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quillmax::gui {

double ScreenDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int Px(int twips) { return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0)); }

int Twips(int px) { return static_cast<int>(std::lround(px * 1440.0 / ScreenDpi())); }

QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsRect(left, top, width, height));
}

QString JapaneseFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "Noto Sans CJK JP",
                                 "Noto Sans JP", "IPAPGothic", "VL PGothic"}) {
            QString n = QString::fromUtf8(name);
            if (families.contains(n, Qt::CaseInsensitive)) return n;
        }
        return QString::fromUtf8("Noto Sans CJK JP");
    }();
    return family;
}

QFont JapaneseFont(double points) {
    QFont font(JapaneseFamily());
    font.setPointSizeF(points);
    return font;
}

void TightenLines(QTextEdit* box) {
    const QFontInfo info(box->font());
    QTextCursor cursor(box->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(std::ceil(info.pixelSize() * 1.1), QTextBlockFormat::FixedHeight);
    cursor.mergeBlockFormat(format);
}

void FitText(QWidget* w) {
    int wanted = w->sizeHint().width();
    if (wanted <= w->width()) return;
    if (w->parentWidget()) wanted = std::min(wanted, w->parentWidget()->width() - w->x());
    if (wanted > w->width()) w->resize(wanted, w->height());
}

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string S(const QString& text) { return text.toUtf8().toStdString(); }

QString FromCrLf(const std::string& text) {
    QString t = Q(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
    return t;
}

std::string ToCrLf(const QString& text) {
    QString t = text;
    t.replace(QChar::ParagraphSeparator, QChar('\n'));
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return S(t);
}

}  // namespace quillmax::gui
