#include "frmFXOpts.h"

#include "clsDSP.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QSlider>
#include <QTabBar>
#include <QVBoxLayout>

using fxopts::Slider;

namespace {
constexpr int kCurveWidth = 220;
constexpr int kCurveHeight = 80;
} // namespace

frmFXOpts::frmFXOpts(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFXOpts"));
    setWindowTitle(QStringLiteral("Configuration effets"));
    auto *outer = new QVBoxLayout(this);

    strip = new QTabBar(this);
    strip->setObjectName(QStringLiteral("strip"));
    const struct {
        const char16_t *caption;
        const char *key;
    } tabs[] = {{u"Echo", "ECHO"}, {u"Déphasage", "SHIFT"}, {u"Egaliseur", "EQ"}, {u"Amplificateur", "AMPL"}};
    for (const auto &t : tabs) {
        const int i = strip->addTab(QString::fromUtf16(t.caption));
        strip->setTabData(i, QString::fromLatin1(t.key));
    }
    outer->addWidget(strip);

    auto page = [this, outer](const char *name) {
        auto *w = new QWidget(this);
        w->setObjectName(QString::fromLatin1(name));
        new QGridLayout(w);
        outer->addWidget(w);
        return w;
    };
    picReverb = page("picReverb");
    picShift = page("picShift");
    picEQ = page("picEQ");
    picAmpl = page("picAmpl");

    // Echo.
    sldReverbLen = addSlider(picReverb, 0, Slider::ReverbLen, QStringLiteral("Durée (ms) :"));
    sldReverbLen->setTickInterval(100);
    sldReverbLen->setTickPosition(QSlider::TicksBelow);
    auto *ends = new QHBoxLayout;
    ends->addWidget(new QLabel(QStringLiteral("1 ms"), picReverb));
    ends->addStretch();
    ends->addWidget(new QLabel(QStringLiteral("1000 ms"), picReverb));
    static_cast<QGridLayout *>(picReverb->layout())->addLayout(ends, 1, 1);
    sldReverbAmp = addSlider(picReverb, 2, Slider::ReverbAmp, QStringLiteral("Amplificateur :"));

    // Phase shifter.
    sldShDry = addSlider(picShift, 0, Slider::ShDry, QStringLiteral("Dry:"));
    sldShWet = addSlider(picShift, 1, Slider::ShWet, QStringLiteral("Wet:"));
    sldShFb = addSlider(picShift, 2, Slider::ShFb, QStringLiteral("Feedback:"));
    sldShSwpRange = addSlider(picShift, 3, Slider::ShSwpRange, QStringLiteral("Sweep Range:"));
    sldShSwpRate = addSlider(picShift, 4, Slider::ShSwpRate, QStringLiteral("Sweep Rate:"));
    sldShFreq = addSlider(picShift, 5, Slider::ShFreq, QStringLiteral("Frequency:"));

    // Amplifier.
    sldAmplDB = addSlider(picAmpl, 0, Slider::AmplDB, QStringLiteral("Taux d'amplification :"));
    lblAmplDB = new QLabel(picAmpl);
    lblAmplDB->setObjectName(QStringLiteral("lblAmplDB"));
    static_cast<QGridLayout *>(picAmpl->layout())->addWidget(lblAmplDB, 0, 2);

    // Equalizer: band 0 exists from the start; the others are added when the dialog is loaded.
    auto *eq = static_cast<QGridLayout *>(picEQ->layout());
    m_bandBox = new QWidget(picEQ);
    m_bandBox->setObjectName(QStringLiteral("bands"));
    new QGridLayout(m_bandBox);
    eq->addWidget(m_bandBox, 0, 0);
    eq->addWidget(new QLabel(QStringLiteral("[-12;12] dB"), picEQ), 1, 0);
    picEQAmp = new QLabel(picEQ);
    picEQAmp->setObjectName(QStringLiteral("picEQAmp"));
    picEQAmp->setFixedSize(kCurveWidth, kCurveHeight);
    eq->addWidget(picEQAmp, 0, 1, 2, 1);
    m_curve = QImage(kCurveWidth, kCurveHeight, QImage::Format_RGB32);
    m_curve.fill(Qt::black);

    connect(strip, &QTabBar::currentChanged, this, &frmFXOpts::strip_Click);
    strip_Click(strip->currentIndex());
}

QSlider *frmFXOpts::addSlider(QWidget *page, int row, Slider which, const QString &label)
{
    auto *grid = static_cast<QGridLayout *>(page->layout());
    auto *caption = new QLabel(label, page);
    auto *s = new QSlider(Qt::Horizontal, page);
    const fxopts::Range r = fxopts::SliderRange(which);
    s->setRange(r.minimum, r.maximum);
    s->setMinimumWidth(200);
    caption->setBuddy(s);
    grid->addWidget(caption, row, 0);
    grid->addWidget(s, row, 1);
    m_sliders[which] = s;
    connect(s, &QSlider::valueChanged, this, [this, which](int value) {
        if (!m_dsp || m_loading)
            return;
        fxopts::Apply(*m_dsp, which, value);
        if (which == Slider::AmplDB)
            lblAmplDB->setText(fxopts::AmplLabel(value));
    });
    return s;
}

void frmFXOpts::strip_Click(int index)
{
    QWidget *pages[] = {picReverb, picShift, picEQ, picAmpl};
    for (int i = 0; i < 4; ++i)
        pages[i]->setVisible(i == index);
    adjustSize();
}

void frmFXOpts::ShowEx(clsDSP &dsp, QWidget *owner)
{
    if (owner && parentWidget() != owner)
        setParent(owner, windowFlags());
    Load(dsp);
    exec();
}

void frmFXOpts::Load(clsDSP &dsp)
{
    m_dsp = &dsp;
    strip_Click(strip->currentIndex());
    m_loading = true;
    for (Slider s : fxopts::kAllSliders)
        m_sliders[s]->setValue(fxopts::Read(dsp, s));
    m_loading = false;
    lblAmplDB->setText(fxopts::AmplLabel(sldAmplDB->value()));
    layoutEqualizer();
}

void frmFXOpts::layoutEqualizer()
{
    const int bands = m_dsp->EqualizerBands();
    auto *grid = static_cast<QGridLayout *>(m_bandBox->layout());
    // The band controls are made once for the processor's band count.
    if (sldEQ.size() != bands) {
        qDeleteAll(sldEQ);
        qDeleteAll(lblEQID);
        sldEQ.clear();
        lblEQID.clear();
        for (int i = 0; i < bands; ++i) {
            auto *s = new QSlider(Qt::Vertical, m_bandBox);
            s->setObjectName(QStringLiteral("sldEQ_%1").arg(i));
            s->setRange(fxopts::kBandMinimum, fxopts::kBandMaximum);
            s->setInvertedAppearance(true); // -12 at the top
            s->setFixedHeight(100);
            s->installEventFilter(this);
            auto *l = new QLabel(m_bandBox);
            l->setObjectName(QStringLiteral("lblEQID_%1").arg(i));
            l->setAlignment(Qt::AlignHCenter);
            grid->addWidget(s, 0, i, Qt::AlignHCenter);
            grid->addWidget(l, 1, i, Qt::AlignHCenter);
            sldEQ << s;
            lblEQID << l;
            connect(s, &QSlider::valueChanged, this, [this, i] { sldEQ_Change(i); });
        }
    }
    m_loading = true;
    for (int i = 0; i < bands; ++i) {
        sldEQ[i]->setValue(fxopts::ReadBand(*m_dsp, i));
        lblEQID[i]->setText(fxopts::BandLabel(m_dsp->EqualizerBandFrequency(i)));
        sldEQ[i]->setAccessibleName(lblEQID[i]->text());
    }
    m_loading = false;
    drawCurve();
}

void frmFXOpts::sldEQ_Change(int index)
{
    if (!m_dsp || m_loading)
        return;
    fxopts::ApplyBand(*m_dsp, index, sldEQ[index]->value());
    drawCurve();
}

bool frmFXOpts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        for (QSlider *s : std::as_const(sldEQ)) {
            if (s == watched) {
                s->setValue(0); // 0 dB
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFXOpts::drawCurve()
{
    std::vector<int> values;
    values.reserve(std::size_t(sldEQ.size()));
    for (QSlider *s : std::as_const(sldEQ))
        values.push_back(s->value());
    fxopts::DrawCurve(m_curve, values, fxopts::kBandMaximum);
    picEQAmp->setPixmap(QPixmap::fromImage(m_curve));
}
