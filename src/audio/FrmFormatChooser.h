#pragma once
// The output format chooser: the formats the converter offers for the recording's rate and
// channels, grouped by format tag ("Format :") with their descriptions ("Attributs :"). OK
// returns the chosen entry, Cancel nothing.
//
// ChooseFormat shows the dialog modally. Prepare and Choice split it for callers that show the
// dialog themselves.
#include "EncoderWAV.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;

class FrmFormatChooser : public QDialog, public FormatChooser {
    Q_OBJECT
public:
    explicit FrmFormatChooser(QWidget *parent = nullptr);

    std::optional<size_t> ChooseFormat(const std::vector<WaveFormatChoice> &formats, const std::string &title) override;

    void Prepare(const std::vector<WaveFormatChoice> &formats, const std::string &title);
    // The index of the entry shown, when the dialog was accepted.
    std::optional<size_t> Choice() const;

    QComboBox *cboTag = nullptr;    // "Format :"
    QComboBox *cboFormat = nullptr; // "Attributs :"
    QDialogButtonBox *buttons = nullptr;

private:
    void fillFormats();

    std::vector<WaveFormatChoice> m_formats;
};
