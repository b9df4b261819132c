#pragma once
// An off-screen drawing surface for flicker-free painting: an image that is made when first
// needed, re-made when a larger one is asked for, and copied to its target in one block.
//
// One thread at a time (the thread that paints).
#include <QImage>

class QPainter;

class pcMemDC {
public:
    int Width() const { return m_image.isNull() ? 0 : m_image.width(); }
    int Height() const { return m_image.isNull() ? 0 : m_image.height(); }
    // Setting a new size re-makes the surface at that size (nothing while the other side is 0).
    void SetWidth(int width);
    void SetHeight(int height);

    // The surface, made when none exists and both sizes are positive, re-made at exactly the
    // requested size when the one held is narrower or lower. Null when no surface can be made.
    QImage *hdc(int width, int height);

    // Copies a block of the surface to the target at (targetX, targetY); a width or height
    // below 1 means the surface's own.
    void Draw(QPainter &target, int sourceX, int sourceY, int width, int height, int targetX,
              int targetY) const;

    // Sizes the surface to the picture and copies the picture into it.
    void CreateFromPicture(const QImage &picture);

    // The surface itself (null image when none exists).
    const QImage &Image() const { return m_image; }

private:
    void create(int width, int height);

    QImage m_image;
    int m_wantWidth = 0, m_wantHeight = 0;
};
