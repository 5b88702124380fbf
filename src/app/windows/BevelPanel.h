#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace korvex {

// A flat panel with up to two one-pixel bevels and a caption centred on one line: the
// building block of the program's small fixed windows. The outer bevel is the panel's
// outermost ring of pixels, the inner bevel the ring inside it (the outermost ring when
// there is no outer bevel).
class BevelPanel : public QWidget {
    Q_OBJECT
public:
    enum class Bevel { None, Lowered, Raised };

    explicit BevelPanel(QWidget* parent = nullptr);

    Bevel bevelOuter() const { return outer_; }
    void setBevelOuter(Bevel bevel);
    Bevel bevelInner() const { return inner_; }
    void setBevelInner(Bevel bevel);

    // The face colour is a palette colour, so that it follows the system's colours.
    void setFace(QPalette::ColorGroup group, QPalette::ColorRole role);
    QColor faceColor() const;
    // The colours of a bevel's lit (top-left) and shaded (bottom-right) edges.
    QColor lightColor() const;
    QColor shadowColor() const;

    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The caption is drawn in the palette's text colour for the face (button text on a
    // button face, highlighted text on a highlight), so that it stays readable with a dark
    // theme; a colour set here overrides it, an invalid one returns to the palette's.
    QColor captionColor() const;
    void setCaptionColor(const QColor& color);

    // Pixels taken by the bevels on each side.
    int bevelWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Bevel outer_ = Bevel::None;
    Bevel inner_ = Bevel::None;
    QPalette::ColorGroup faceGroup_ = QPalette::Current;
    QPalette::ColorRole faceRole_ = QPalette::Button;
    QString caption_;
    QColor captionColor_; // invalid: the palette's text colour for the face
};

} // namespace korvex
