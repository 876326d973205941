// File: gui/twips.h
// Design geometry is in twips (1440 per inch); widgets are placed in pixels
// at the screen's resolution (15 twips per pixel at 96 dpi). Also the
// Japanese user-interface font and text conversions between the system's
// CR LF texts and the widgets' line breaks.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <string>

class QTextEdit;
class QWidget;

namespace quillmax::gui {

// Logical dots per inch of the primary screen (96 when there is none).
double ScreenDpi();
int Px(int twips);
int Twips(int px);
QRect TwipsRect(int left, int top, int width, int height);
// Places a widget at its design position.
void Place(QWidget* w, int left, int top, int width, int height);

// "ＭＳ Ｐゴシック" where installed, else a Japanese CJK face.
QString JapaneseFamily();
QFont JapaneseFont(double points);

// Lines of a text box at a font-size based height: CJK faces other than
// the design font carry tall line gaps that would push the design texts out
// of their boxes.
void TightenLines(QTextEdit* box);
// Widens a caption-bearing control to its text where the design width is
// too narrow for the installed font, up to its parent's right edge.
void FitText(QWidget* w);

QString Q(const std::string& utf8);
std::string S(const QString& text);
// CR LF (and lone CR) to the widgets' "\n", and back.
QString FromCrLf(const std::string& text);
std::string ToCrLf(const QString& text);

}  // namespace quillmax::gui
