// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/series_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <string>

#include "image/serial_number.h"
#include "window/qt_operator.h"

namespace dspprog {
namespace {

constexpr const char* kNumbered = "series/numbered";
constexpr const char* kNumbering = "series/numbering";
constexpr const char* kSerialFile = "series/serial_file";
constexpr const char* kLogFile = "series/log_file";

QString Hex(std::uint32_t value) {
    return "0x" + QString::number(value, 16).toUpper();
}

}  // namespace

WindowSeriesSetup LoadSeriesSetup(QSettings& settings) {
    WindowSeriesSetup setup;
    setup.numbered = settings.value(kNumbered, setup.numbered).toBool();
    setup.numbering = settings.value(kNumbering, setup.numbering).toString();
    setup.serial_file = settings.value(kSerialFile).toString();
    setup.log_file = settings.value(kLogFile).toString();
    return setup;
}

void SaveSeriesSetup(QSettings& settings, const WindowSeriesSetup& setup) {
    settings.setValue(kNumbered, setup.numbered);
    settings.setValue(kNumbering, setup.numbering);
    settings.setValue(kSerialFile, setup.serial_file);
    settings.setValue(kLogFile, setup.log_file);
    settings.sync();
}

bool EditSeriesSetup(QWidget* parent, WindowSeriesSetup& setup) {
    SerialNumbering numbering;
    std::string error;
    ParseSerialNumbering(setup.numbering.toStdString(), numbering, error);

    QDialog dialog(parent);
    dialog.setObjectName("SerialDialog");
    dialog.setWindowTitle("Серийный номер");
    auto* numbered = new QCheckBox("Записывать серийный номер", &dialog);
    numbered->setObjectName("SerialNumbered");
    numbered->setChecked(setup.numbered);
    auto* address = new QLineEdit(Hex(numbering.address), &dialog);
    address->setObjectName("SerialAddress");
    auto* start = new QLineEdit(QString::number(numbering.start), &dialog);
    start->setObjectName("SerialStart");
    auto* step = new QLineEdit(QString::number(numbering.step), &dialog);
    step->setObjectName("SerialStep");
    auto* bytes = new QSpinBox(&dialog);
    bytes->setObjectName("SerialBytes");
    bytes->setRange(1, 8);
    bytes->setValue(static_cast<int>(numbering.bytes));
    auto* form = new QComboBox(&dialog);
    form->setObjectName("SerialForm");
    for (SerialForm each :
         {SerialForm::LittleEndian, SerialForm::BigEndian, SerialForm::BcdLittleEndian,
          SerialForm::BcdBigEndian, SerialForm::Ascii})
        form->addItem(SerialFormName(each));
    form->setCurrentText(SerialFormName(numbering.form));
    auto* serial_file = new QLineEdit(setup.serial_file, &dialog);
    serial_file->setObjectName("SerialFile");
    auto* log_file = new QLineEdit(setup.log_file, &dialog);
    log_file->setObjectName("SeriesLog");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);

    auto* layout = new QFormLayout(&dialog);
    layout->addRow(numbered);
    layout->addRow("Адрес", address);
    layout->addRow("Начальный номер", start);
    layout->addRow("Шаг", step);
    layout->addRow("Байт", bytes);
    layout->addRow("Форма", form);
    layout->addRow("Файл номера", serial_file);
    layout->addRow("Журнал (JSON Lines)", log_file);
    layout->addRow(buttons);

    QString text;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        text = address->text().trimmed() + ":" + start->text().trimmed() + ":" +
               step->text().trimmed() + ":" + QString::number(bytes->value()) + ":" +
               form->currentText();
        SerialNumbering checked;
        std::string why;
        if (!ParseSerialNumbering(text.toStdString(), checked, why)) {
            QMessageBox::critical(&dialog, kErrorBoxTitle, QString::fromStdString(why));
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted) return false;
    setup.numbered = numbered->isChecked();
    setup.numbering = text;
    setup.serial_file = serial_file->text().trimmed();
    setup.log_file = log_file->text().trimmed();
    return true;
}

}  // namespace dspprog
