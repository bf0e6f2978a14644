/*
 * The program's push button: a face shaded line by line along a quarter sine wave (lightest at
 * the top), a grey frame that darkens and gains a two-pixel shadow on its top and left edges
 * while pressed, and a bold caption embossed in dark blue over a white copy. Four colour
 * modes give the face its base colour; the main window's Filter button uses mode 3 to show
 * that the directory has exclusion filters. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_DRAWBUTTON_H
#define TALLYVOL_APP_UI_DRAWBUTTON_H

#include <QColor>
#include <QPushButton>

namespace app::ui {

class DrawButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kModeCount = 4;

    explicit DrawButton(QWidget* parent = nullptr);

    int ColorMode() const { return m_colorMode; }
    // Modes outside 0..3 are ignored; a change repaints.
    void SetColorMode(int mode);

    // The base colour of a mode's face (the shading adds up to 80 to each channel).
    static QColor BaseColor(int mode);
    // The colour of face line `line` (0 = the top line) of a face `faceHeight` lines high.
    static QColor FaceLineColor(const QColor& base, int line, int faceHeight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_colorMode = 0;
};

} // namespace app::ui

#endif
