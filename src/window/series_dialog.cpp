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
constexpr const char* kSerialDb = "series/serial_db";
constexpr const char* kSerialSeries = "series/serial_series";

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
    setup.serial_db = settings.value(kSerialDb).toString();
    setup.serial_series = settings.value(kSerialSeries).toString();
    return setup;
}

void SaveSeriesSetup(QSettings& settings, const WindowSeriesSetup& setup) {
    settings.setValue(kNumbered, setup.numbered);
    settings.setValue(kNumbering, setup.numbering);
    settings.setValue(kSerialFile, setup.serial_file);
    settings.setValue(kLogFile, setup.log_file);
    settings.setValue(kSerialDb, setup.serial_db);
    settings.setValue(kSerialSeries, setup.serial_series);
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
    // Several stations share one series on a PostgreSQL server; the
    // password comes from ~/.pgpass or PGPASSWORD, never from here.
    auto* serial_db = new QLineEdit(setup.serial_db, &dialog);
    serial_db->setObjectName("SerialDb");
    serial_db->setPlaceholderText("postgresql://сервер/база");
    auto* serial_series = new QLineEdit(setup.serial_series, &dialog);
    serial_series->setObjectName("SerialSeries");
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
    layout->addRow("База номеров (URL)", serial_db);
    layout->addRow("Серия в базе", serial_series);
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
        if (!serial_file->text().trimmed().isEmpty() && !serial_db->text().trimmed().isEmpty()) {
            QMessageBox::critical(&dialog, kErrorBoxTitle,
                                  "Номера хранит либо файл, либо база: укажите что-то одно");
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted) return false;
    setup.numbered = numbered->isChecked();
    setup.numbering = text;
    setup.serial_file = serial_file->text().trimmed();
    setup.log_file = log_file->text().trimmed();
    setup.serial_db = serial_db->text().trimmed();
    setup.serial_series = serial_series->text().trimmed();
    return true;
}

}  // namespace dspprog
