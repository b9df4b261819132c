#pragma once
// A drawn progress bar with an optional caption: not a widget, it paints background, bar,
// caption and border into a rectangle of any painter, through one off-screen image that only
// grows, so the target never shows a half-drawn bar.
//
// Colours are 32-bit values: red in the low byte, green in the second, blue in the third. A value
// with its top bit set names a system colour by its low five bits (0x80000005 the window
// background, 0x8000000D the highlight...), taken from the application palette. A fill of −1
// paints nothing; a caption colour of −1 draws no caption in that colour.
//
// An empty range (Max = Min) counts as complete: Percent is 100 when Value ≥ Max, else 0.
//
// One thread at a time (the thread that paints; fonts need the Qt application object).
#include "pcMemDC.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;
class QPaintDevice;

// The platform's look for progress bars, when one is offered: the groove, the filled chunk, the
// chunk and gap sizes and the caption. Supplied by the widget side (cProgressBarQtStyle: the
// current Qt style); without it the bar draws itself and XpStyle has no effect.
class cProgressBarStyle {
public:
    virtual ~cProgressBarStyle() = default;
    virtual void DrawBar(QPainter &p, const QRect &r, bool vertical) const = 0;
    virtual void DrawChunk(QPainter &p, const QRect &r, bool vertical) const = 0;
    virtual int ChunkSize() const = 0;
    virtual int SpaceSize() const = 0;
    virtual QRect ContentRect(const QRect &bar) const = 0;
    virtual void DrawText(QPainter &p, const QRect &content, const QString &text) const = 0;
};

class cProgressBar {
public:
    static constexpr int32_t kNoColour = -1;
    static constexpr uint32_t kSystemColour = 0x80000000u;
    // System colour names used by the bar and its owners.
    static constexpr int32_t kWindowBackground = int32_t(kSystemColour | 5);
    static constexpr int32_t kWindowText = int32_t(kSystemColour | 8);
    static constexpr int32_t kHighlight = int32_t(kSystemColour | 13);
    static constexpr int32_t kHighlightText = int32_t(kSystemColour | 14);
    static constexpr int32_t kButtonShadow = int32_t(kSystemColour | 16);
    static constexpr int32_t kButtonHighlight = int32_t(kSystemColour | 20);
    static constexpr int32_t kDarkShadow = int32_t(kSystemColour | 21);
    static constexpr int32_t kLight = int32_t(kSystemColour | 22);

    cProgressBar();

    // Every setter but SetTag stores the value and then calls Draw.
    int32_t Min() const { return m_min; }
    void SetMin(int32_t v);
    int32_t Max() const { return m_max; }
    void SetMax(int32_t v);
    int32_t Value() const { return m_value; }
    void SetValue(int32_t v);
    const QString &Text() const { return m_text; }
    void SetText(const QString &v);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool v);
    int32_t TextAlignX() const { return m_alignX; } // 0 left, 1 centre, 2 right
    void SetTextAlignX(int32_t v);
    int32_t TextAlignY() const { return m_alignY; } // 0 top, 1 centre, 2 bottom
    void SetTextAlignY(int32_t v);
    const QFont &Font() const { return m_font; }
    void SetFont(const QFont &v);
    int32_t BackColor() const { return m_backColor; }
    void SetBackColor(int32_t v);
    int32_t ForeColor() const { return m_foreColor; }
    void SetForeColor(int32_t v);
    int32_t BarColor() const { return m_barColor; }
    void SetBarColor(int32_t v);
    int32_t BarForeColor() const { return m_barForeColor; }
    void SetBarForeColor(int32_t v);
    int32_t BorderStyle() const { return m_borderStyle; } // 0 none, 1 sunken, 2 raised
    void SetBorderStyle(int32_t v);
    int32_t Appearance() const { return m_appearance; } // 0 flat, 1 3-D 1-pixel, 2 3-D 2-pixel edge
    void SetAppearance(int32_t v);
    bool Segments() const { return m_segments; }
    void SetSegments(bool v);
    bool XpStyle() const { return m_xpStyle; }
    void SetXpStyle(bool v);
    const QImage &Picture() const { return m_picture.Image(); }
    void SetPicture(const QImage &v);
    const QImage &BarPicture() const { return m_barPicture.Image(); }
    void SetBarPicture(const QImage &v);
    int32_t BackPictureMode() const { return m_backPictureMode; } // 1 tiles, else stretches
    void SetBackPictureMode(int32_t v);
    int32_t BarPictureMode() const { return m_barPictureMode; }
    void SetBarPictureMode(int32_t v);
    // Where Draw paints (its whole area); none by default. The device must accept a painter
    // whenever a property changes (an image does; a widget only inside its paint event).
    QPaintDevice *DrawObject() const { return m_drawObject; }
    void SetDrawObject(QPaintDevice *v, const cProgressBarStyle *style = nullptr);
    const QString &Tag() const { return m_tag; }
    void SetTag(const QString &v) { m_tag = v; }

    // (Value − Min) ÷ (Max − Min) × 100, within 0 … 100.
    double Percent() const;

    // Paints into DrawObject's whole area; nothing without one.
    void Draw();
    // Paints the bar into the rectangle (left, top)–(right, bottom) of the target, right and
    // bottom excluded. `style` gives the platform's look for XpStyle (none: drawn plainly).
    void DrawToDC(const cProgressBarStyle *style, QPainter &target, int left, int top, int right,
                  int bottom);

    // The off-screen image (for tests and owners that want to know its size).
    const pcMemDC &MemDC() const { return m_mem; }

    // The colour a value names: a plain colour, a system colour from the palette, or an invalid
    // QColor for −1 and for system colour numbers that name nothing.
    static QColor ToQColor(int32_t colour, const QPalette &palette);

private:
    void paint(QPainter &p, const QRect &area, const cProgressBarStyle *style);
    void drawCaption(QPainter &p, const QRect &inner, int32_t colour);
    void fillPicture(QPainter &p, const QRect &r, const QImage &picture, int32_t mode);
    void fill(QPainter &p, const QRect &r, int32_t colour);
    void drawBorder(QPainter &p, const QRect &outer);
    double fraction() const;

    int32_t m_min = 0, m_max = 100, m_value = 0;
    QString m_text;
    bool m_showText = false;
    int32_t m_alignX = 1, m_alignY = 1;
    QFont m_font;
    int32_t m_backColor = kNoColour;
    int32_t m_foreColor = 0;
    int32_t m_barColor = kNoColour;
    int32_t m_barForeColor = 16777215;
    int32_t m_borderStyle = 1;
    int32_t m_appearance = 1;
    bool m_segments = false;
    bool m_xpStyle = false;
    pcMemDC m_picture, m_barPicture;
    int32_t m_backPictureMode = 1, m_barPictureMode = 1;
    QPaintDevice *m_drawObject = nullptr;
    const cProgressBarStyle *m_drawStyle = nullptr;
    QString m_tag;
    pcMemDC m_mem;
};
