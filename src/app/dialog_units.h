// Dialog units as the dialogs were designed in: a quarter of the dialog
// font's average character width across and an eighth of its height down,
// so that texts sized in units fit whatever face the system offers.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace brimwick::app {

// The dialogs' font: the nearest face to the 8-point "MS Sans Serif".
inline constexpr int kDialogFontPixels = 11;

class DialogUnits {
  public:
    // Sets the dialog font on `dialog` and measures it.
    explicit DialogUnits(QWidget& dialog) {
        QFont font("MS Sans Serif");
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(kDialogFontPixels);
        dialog.setFont(font);
        QFontMetrics metrics(font);
        const QString alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        charWidth_ = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
        charHeight_ = metrics.height();
    }
    int x(int units) const { return units * charWidth_ / 4; }
    int y(int units) const { return units * charHeight_ / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
    QSize size(int width, int height) const { return QSize(x(width), y(height)); }

  private:
    int charWidth_ = 6;    // average character width in pixels
    int charHeight_ = 13;  // character height in pixels
};

}  // namespace brimwick::app
