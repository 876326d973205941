// File: docs/tools/make_manual_pdf.cpp
// Lays out the manual's HTML as an A4 PDF with Qt's text engine (the
// Japanese font comes from fonts-noto-cjk). Rebuild the manual with:
//   python3 docs/tools/manual_to_html.py docs/manual.md /tmp/manual.html
//   g++ -std=c++20 -fPIC docs/tools/make_manual_pdf.cpp -o /tmp/make_manual_pdf \
//       $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/make_manual_pdf /tmp/manual.html docs/マニュアル.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) return 2;
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) return 1;
    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("クイルマックス マニュアル"));
    pdf.setCreator(QStringLiteral("クイルマックス"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
    pdf.setResolution(300);
    QTextDocument doc;
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setHtml(QString::fromUtf8(in.readAll()));
    doc.print(&pdf);
    return 0;
}
