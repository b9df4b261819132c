#include "PagePreviewDialog.h"

#include "media/MediaEngine.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "ui/MainLink.h"
#include "ui/WebBrowser.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

PagePreviewDialog::PagePreviewDialog(MainLink &main, QWidget *parent)
    : QDialog(parent), m_main(main), m_engine(new MediaEngine(this))
{
}

PagePreviewDialog::~PagePreviewDialog() = default;

void PagePreviewDialog::makePageViews()
{
    TextHTML = new QPlainTextEdit(this);
    TextHTML->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextHTML->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextHTML->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextHTML->setAccessibleName(QStringLiteral("Page HTML"));
    WebBrowser1 = new WebBrowser(m_engine, this);
    connect(WebBrowser1, &WebBrowser::BeforeNavigate2, this, &PagePreviewDialog::onBeforeNavigate);
    connect(WebBrowser1, &WebBrowser::NavigateError, this, [](const QString &, int, bool &cancel) { cancel = true; });
}

QPushButton *PagePreviewDialog::button(const QString &caption, const QString &tip)
{
    auto *b = new QPushButton(caption, this);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

void PagePreviewDialog::showEvent(QShowEvent *e)
{
    if (m_fresh && !e->spontaneous()) {
        Form_Load();
        m_fresh = false;
    }
    QDialog::showEvent(e);
}

void PagePreviewDialog::done(int result)
{
    // Whatever the way the window closes, its page stops playing.
    WebBrowser1->Stop();
    m_fresh = true;
    QDialog::done(result);
    // A page made or deleted shows in the main window's list at once.
    m_main.RefreshStationLists();
}

void PagePreviewDialog::onBeforeNavigate(const QString &url, bool &cancel)
{
    QString address;
    if (!stations::InfoLinkAddress(url, &address))
        return;
    cancel = true;
    m_main.OpenNowPlaying(true, stations::InfoCaption(PreviewPageName()), address);
}
