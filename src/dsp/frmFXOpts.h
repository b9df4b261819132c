#pragma once
// frmFXOpts, "Configuration effets": edits one effects processor live. Every slider movement is
// written to the processor at once; there is no OK or Cancel, closing keeps what was set.
//
// ShowEx loads the sliders from the processor and shows the dialog modally over its owner. Load
// does the same without showing, for callers (and tests) that show the dialog themselves.
#include "FxOptions.h"

#include <QDialog>
#include <QList>
#include <map>

class QLabel;
class QSlider;
class QTabBar;
class clsDSP;

class frmFXOpts : public QDialog {
    Q_OBJECT
public:
    explicit frmFXOpts(QWidget *parent = nullptr);

    void ShowEx(clsDSP &dsp, QWidget *owner);
    void Load(clsDSP &dsp);

    // Controls, named as the dialog names them.
    QTabBar *strip = nullptr;
    QWidget *picReverb = nullptr, *picShift = nullptr, *picEQ = nullptr, *picAmpl = nullptr;
    QSlider *sldReverbLen = nullptr, *sldReverbAmp = nullptr;
    QSlider *sldShDry = nullptr, *sldShWet = nullptr, *sldShFb = nullptr;
    QSlider *sldShSwpRange = nullptr, *sldShSwpRate = nullptr, *sldShFreq = nullptr;
    QSlider *sldAmplDB = nullptr;
    QLabel *lblAmplDB = nullptr;
    QList<QSlider *> sldEQ;
    QList<QLabel *> lblEQID;
    QLabel *picEQAmp = nullptr;

    QSlider *SliderFor(fxopts::Slider s) const { return m_sliders.at(s); }
    // The response curve as last drawn.
    const QImage &CurveImage() const { return m_curve; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void strip_Click(int index);
    void layoutEqualizer();
    void sldEQ_Change(int index);
    void drawCurve();
    QSlider *addSlider(QWidget *page, int row, fxopts::Slider which, const QString &label);

    clsDSP *m_dsp = nullptr;
    bool m_loading = false;
    std::map<fxopts::Slider, QSlider *> m_sliders;
    QWidget *m_bandBox = nullptr;
    QImage m_curve;
};
