#include "pcMemDC.h"

#include <QPainter>

void pcMemDC::create(int width, int height)
{
    m_image = QImage();
    if (width < 1 || height < 1)
        return;
    // Transparent where nothing is painted, so that a colour that paints nothing shows the target.
    m_image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    if (!m_image.isNull())
        m_image.fill(Qt::transparent);
}

void pcMemDC::SetWidth(int width)
{
    m_wantWidth = width;
    if (width != Width())
        create(width, m_wantHeight > 0 ? m_wantHeight : Height());
}

void pcMemDC::SetHeight(int height)
{
    m_wantHeight = height;
    if (height != Height())
        create(m_wantWidth > 0 ? m_wantWidth : Width(), height);
}

QImage *pcMemDC::hdc(int width, int height)
{
    if (m_image.isNull() || Width() < width || Height() < height) {
        if (width < 1 || height < 1)
            return m_image.isNull() ? nullptr : &m_image;
        create(width, height);
        m_wantWidth = width;
        m_wantHeight = height;
    }
    return m_image.isNull() ? nullptr : &m_image;
}

void pcMemDC::Draw(QPainter &target, int sourceX, int sourceY, int width, int height, int targetX,
                   int targetY) const
{
    if (m_image.isNull())
        return;
    if (width < 1)
        width = Width();
    if (height < 1)
        height = Height();
    target.drawImage(QPoint(targetX, targetY), m_image, QRect(sourceX, sourceY, width, height));
}

void pcMemDC::CreateFromPicture(const QImage &picture)
{
    if (picture.isNull()) {
        m_image = QImage();
        return;
    }
    m_image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_wantWidth = m_image.width();
    m_wantHeight = m_image.height();
}
