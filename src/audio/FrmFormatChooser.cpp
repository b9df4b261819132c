#include "FrmFormatChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FrmFormatChooser::FrmFormatChooser(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmFormatChooser"));
    auto *outer = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    cboTag = new QComboBox(this);
    cboTag->setObjectName(QStringLiteral("cboTag"));
    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    cboFormat->setMinimumContentsLength(28);
    form->addRow(QStringLiteral("Format :"), cboTag);
    form->addRow(QStringLiteral("Attributs :"), cboFormat);
    outer->addLayout(form);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    outer->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cboTag, &QComboBox::currentIndexChanged, this, &FrmFormatChooser::fillFormats);
}

std::optional<size_t> FrmFormatChooser::ChooseFormat(const std::vector<WaveFormatChoice> &formats,
                                                     const std::string &title)
{
    Prepare(formats, title);
    exec();
    return Choice();
}

void FrmFormatChooser::Prepare(const std::vector<WaveFormatChoice> &formats, const std::string &title)
{
    setWindowTitle(QString::fromStdString(title));
    setResult(QDialog::Rejected);
    m_formats = formats;
    const QSignalBlocker block(cboTag);
    cboTag->clear();
    for (const WaveFormatChoice &f : m_formats) {
        const QString tag = QString::fromStdString(f.FormatTag);
        if (cboTag->findText(tag) < 0)
            cboTag->addItem(tag);
    }
    cboTag->setCurrentIndex(cboTag->count() > 0 ? 0 : -1);
    fillFormats();
}

void FrmFormatChooser::fillFormats()
{
    cboFormat->clear();
    const std::string tag = cboTag->currentText().toStdString();
    for (size_t i = 0; i < m_formats.size(); ++i)
        if (m_formats[i].FormatTag == tag)
            cboFormat->addItem(QString::fromStdString(m_formats[i].FormatID), qulonglong(i));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(cboFormat->count() > 0);
}

std::optional<size_t> FrmFormatChooser::Choice() const
{
    if (result() != QDialog::Accepted || cboFormat->currentIndex() < 0)
        return std::nullopt;
    return size_t(cboFormat->currentData().toULongLong());
}
