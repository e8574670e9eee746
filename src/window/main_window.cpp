// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "base/new_file.h"
#include "base/shown_text.h"
#include "image/checksums.h"
#include "image/image_encoder.h"
#include "image/image_format_table.h"
#include "startup/library_versions.h"
#include "window/buffer_view.h"
#include "window/qt_operator.h"

namespace dspprog {

namespace {

// Buttons and check boxes are drawn in a bold face, 13 pixels high.
QFont ControlFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(ControlFont(button->font()));
    return button;
}

// The caption's colour while the button is usable; a disabled button keeps
// the style's greyed-out caption, so that the operator can see it is off.
void SetCaptionColour(QPushButton* button, const QColor& colour) {
    QPalette palette = button->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::ButtonText, colour);
    button->setPalette(palette);
}

QCheckBox* MakeCheckBox(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setFont(ControlFont(box->font()));
    return box;
}

QFrame* MakeBevel(const char* name, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    return frame;
}

// The type filter of a form in both file dialogs: its heading and its
// extensions, "Intel HEX (*.hex *.ihx *.ihex)".
QString FilterText(const ImageFormatRow& row) {
    QString patterns;
    for (std::string_view extension : row.extensions) {
        if (!patterns.isEmpty()) patterns += ' ';
        patterns +=
            '*' + QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
    }
    return QString::fromUtf8(row.heading.data(), static_cast<qsizetype>(row.heading.size())) +
           " (" + patterns + ")";
}

// "All files" comes first, so that by default the name decides the form, and
// no default extension is added: raw images have no customary suffix.
constexpr const char* kAllFilesFilter = "Все файлы (*)";

QFileDialog* MakeFileDialog(const char* name, QFileDialog::AcceptMode mode, QWidget* parent) {
    auto* dialog = new QFileDialog(parent);
    QStringList filters = {kAllFilesFilter};
    for (const ImageFormatRow& row : ImageFormatTable()) filters << FilterText(row);
    dialog->setNameFilters(filters);
    dialog->setObjectName(name);
    dialog->setAcceptMode(mode);
    // The open dialog takes a typed name of a file that does not exist: the
    // write then tells the operator so itself.
    dialog->setFileMode(QFileDialog::AnyFile);
    // The read refuses an existing file with its own message; a second
    // "replace?" question would only contradict it.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setDefaultSuffix(QString());
    dialog->setModal(true);
    return dialog;
}

// The form a save dialog's type filter asks for; nothing for "all files".
std::optional<ImageFormat> FilterFormat(const QFileDialog* dialog) {
    const QString chosen = dialog->selectedNameFilter();
    for (const ImageFormatRow& row : ImageFormatTable())
        if (chosen == FilterText(row)) return row.id;
    return std::nullopt;
}

QString Shown(const QString& name) {
    return QString::fromStdString(ShownText(name.toStdString()));
}

// What a refused or failed save says; true when the file was saved.
bool SaveNew(QWidget* parent, const QString& name, std::string_view content, const char* what) {
    switch (WriteNewFile(name.toStdString(), content)) {
        case NewFileResult::Saved:
            return true;
        case NewFileResult::Exists:
            QMessageBox::critical(
                parent, kErrorBoxTitle,
                QString("Файл \"%1\" уже есть; %2 не заменяет файлы.").arg(Shown(name), what));
            return false;
        case NewFileResult::Failed:
            break;
    }
    QMessageBox::critical(
        parent, kErrorBoxTitle,
        QString("Не удалось сохранить %1 в файле \"%2\".").arg(what, Shown(name)));
    return false;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    setWindowTitle("Программа тестирования обмена с TMS320VC5509 по USBB.");
    // Room for the buffer's rows under the log; the log and the buffer take
    // whatever the window is resized to.
    resize(820, 700);

    ReadBevel = MakeBevel("ReadBevel", this);
    WriteBevel = MakeBevel("WriteBevel", this);

    GetIdent = MakeButton("GetIdent", "Определить чип", this);
    SetCaptionColour(GetIdent, Qt::black);

    Read = MakeButton("Read", "Читать", ReadBevel);
    Read->setMinimumSize(161, 41);
    SetCaptionColour(Read, QColor(0, 128, 0));

    EreaseChip = MakeButton("EreaseChip", "Стереть", this);

    LogSplitter = new QSplitter(Qt::Vertical, this);
    LogSplitter->setObjectName("LogSplitter");
    LogSplitter->setChildrenCollapsible(false);
    Memo1 = new QPlainTextEdit(LogSplitter);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The log is the program's record: the operator may select and copy it,
    // not type into it.
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tab moves on to the next control rather than into the text.
    Memo1->setTabChangesFocus(true);
    Memo1->setPlainText(kLogHeading);

    WriteChipButton = MakeButton("WriteChipButton", "Записать", WriteBevel);
    CompareButton = MakeButton("CompareButton", "Сравнить", WriteBevel);
    CheckBoxNotErase = MakeCheckBox("CheckBoxNotErase", "Не стирать", WriteBevel);
    CheckBoxClear = MakeCheckBox("CheckBoxClear", "Проверять чистоту", WriteBevel);
    CheckBoxPad = MakeCheckBox("CheckBoxPad", "Дополнять образ (FFh)", WriteBevel);
    ComboBoxLane = new QComboBox(WriteBevel);
    ComboBoxLane->setObjectName("ComboBoxLane");
    ComboBoxLane->setFont(ControlFont(ComboBoxLane->font()));
    // In the order of ChosenLane.
    ComboBoxLane->addItems({"Все байты", "Чётные байты", "Нечётные байты"});
    CheckBoxSwap = MakeCheckBox("CheckBoxSwap", "Переставить байты", WriteBevel);
    CheckBoxNotWrite = MakeCheckBox("CheckBoxNotWrite", "Не сохранять в файл", ReadBevel);
    CheckBoxNotWrite->setChecked(true);
    CheckBoxReadTwice = MakeCheckBox("CheckBoxReadTwice", "Читать дважды", ReadBevel);

    CheckBoxSeries = MakeCheckBox("CheckBoxSeries", "Серия", WriteBevel);
    SerialButton = MakeButton("SerialButton", "Серийный номер…", WriteBevel);

    Button1 = new QPushButton("Button1", this);
    Button1->setObjectName("Button1");

    Progress = new QProgressBar(this);
    Progress->setObjectName("Progress");
    Progress->setRange(0, 1);
    Progress->setValue(0);
    Progress->setFormat("%v / %m");
    SeriesCounts = new QLabel(this);
    SeriesCounts->setObjectName("SeriesCounts");
    SeriesCounts->hide();

    DeviceChoice = new QComboBox(this);
    DeviceChoice->setObjectName("DeviceChoice");
    DeviceChoice->setVisible(false);

    SaveDialog1 = MakeFileDialog("SaveDialog1", QFileDialog::AcceptSave, this);
    OpenDialog1 = MakeFileDialog("OpenDialog1", QFileDialog::AcceptOpen, this);
    SaveBufferDialog = MakeFileDialog("SaveBufferDialog", QFileDialog::AcceptSave, this);
    SaveBufferDialog->setWindowTitle("Сохранить буфер");
    SaveLogDialog = MakeFileDialog("SaveLogDialog", QFileDialog::AcceptSave, this);
    SaveLogDialog->setNameFilters({"Текст (*.txt *.log)", kAllFilesFilter});
    SaveLogDialog->setWindowTitle("Сохранить журнал");

    Buffer = new BufferView(LogSplitter);
    LogSplitter->addWidget(Memo1);
    LogSplitter->addWidget(Buffer);
    LogSplitter->setStretchFactor(0, 1);
    LogSplitter->setStretchFactor(1, 2);

    MenuBar = new QMenuBar(this);
    MenuBar->setObjectName("MenuBar");
    FileMenu = MenuBar->addMenu("&Файл");
    FileMenu->setObjectName("menu_file");
    SaveLogAction = FileMenu->addAction("Сохранить журнал…", this, &MainWindow::SaveLog);
    SaveLogAction->setObjectName("SaveLogAction");
    SaveBufferAction = FileMenu->addAction("Сохранить буфер…", this, &MainWindow::SaveBuffer);
    SaveBufferAction->setObjectName("SaveBufferAction");
    SaveBufferAction->setShortcut(QKeySequence::Save);
    SaveBufferAction->setEnabled(false);
    FileMenu->addSeparator();
    QuitAction = FileMenu->addAction("Выход", this, &QWidget::close);
    QuitAction->setObjectName("QuitAction");
    QuitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    HelpMenu = MenuBar->addMenu("&Справка");
    HelpMenu->setObjectName("menu_help");
    AboutAction = HelpMenu->addAction(
        "О программе", this, [this] { QMessageBox::about(this, "О программе", AboutText()); });
    AboutAction->setObjectName("AboutAction");

    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName("StatusLine");
    ProgrammerStatus = new QLabel(StatusLine);
    ProgrammerStatus->setObjectName("ProgrammerStatus");
    ChipStatus = new QLabel(StatusLine);
    ChipStatus->setObjectName("ChipStatus");
    SumsStatus = new QLabel(StatusLine);
    SumsStatus->setObjectName("SumsStatus");
    for (QLabel* part : {ProgrammerStatus, ChipStatus, SumsStatus}) {
        part->setTextInteractionFlags(Qt::TextSelectableByMouse);
        part->setContentsMargins(0, 0, 16, 0);
        StatusLine->addWidget(part);
    }
    ShowProgrammer({}, {});
    ShowChip({}, 0);

    auto* read_side = new QVBoxLayout(ReadBevel);
    read_side->addWidget(CheckBoxNotWrite);
    read_side->addWidget(CheckBoxReadTwice);
    read_side->addWidget(Read, 0, Qt::AlignHCenter);

    auto* write_side = new QVBoxLayout(WriteBevel);
    write_side->addWidget(CheckBoxClear);
    write_side->addWidget(CheckBoxNotErase);
    auto* arrangement = new QHBoxLayout;
    arrangement->addWidget(CheckBoxPad);
    arrangement->addWidget(ComboBoxLane);
    arrangement->addWidget(CheckBoxSwap);
    write_side->addLayout(arrangement);
    auto* write_buttons = new QHBoxLayout;
    write_buttons->addWidget(WriteChipButton, 2);
    write_buttons->addWidget(CheckBoxSeries);
    write_buttons->addWidget(CompareButton, 1);
    write_side->addLayout(write_buttons);
    write_side->addWidget(SerialButton);

    auto* grid = new QGridLayout(this);
    grid->addWidget(ReadBevel, 0, 0);
    grid->addWidget(WriteBevel, 0, 2);
    grid->addWidget(GetIdent, 1, 0);
    grid->addWidget(Button1, 1, 1);
    grid->addWidget(EreaseChip, 1, 2);
    grid->addWidget(Progress, 2, 0, 1, 3);
    grid->addWidget(SeriesCounts, 3, 0, 1, 3);
    grid->addWidget(DeviceChoice, 4, 0, 1, 3);
    grid->addWidget(LogSplitter, 5, 0, 1, 3);
    grid->setRowStretch(5, 1);
    grid->addWidget(StatusLine, 6, 0, 1, 3);
    grid->setMenuBar(MenuBar);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 2);

    // The series' controls and the programmer's choice come last: the older
    // ones keep the order operators know.
    QWidget* const tab_order[] = {
        GetIdent,          Read,          EreaseChip,       Memo1,
        WriteChipButton,   CompareButton, CheckBoxNotErase, CheckBoxClear,
        CheckBoxPad,       ComboBoxLane,  CheckBoxSwap,     CheckBoxNotWrite,
        CheckBoxReadTwice, Button1,       CheckBoxSeries,   SerialButton,
        DeviceChoice};
    for (std::size_t i = 1; i < std::size(tab_order); ++i)
        setTabOrder(tab_order[i - 1], tab_order[i]);
    setTabOrder(DeviceChoice, Buffer->Table);
    ShowBuffer("Буфер пуст", {});
}

void MainWindow::AppendLine(const QString& line) {
    Memo1->appendPlainText(line);
    QScrollBar* bar = Memo1->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MainWindow::ShowProgress(std::uint32_t done, std::uint32_t total) {
    // A phase of 0 blocks still shows as an empty bar, not a busy indicator.
    Progress->setRange(0, total == 0 ? 1 : static_cast<int>(total));
    Progress->setValue(static_cast<int>(done));
}

void MainWindow::EnableControls(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             GetIdent, Read, EreaseChip, WriteChipButton, CompareButton, CheckBoxNotErase,
             CheckBoxClear, CheckBoxPad, ComboBoxLane, CheckBoxSwap, CheckBoxNotWrite, Button1,
             CheckBoxSeries, SerialButton, DeviceChoice, CheckBoxReadTwice}) {
        control->setEnabled(enabled);
    }
}

ByteLane MainWindow::ChosenLane() const {
    switch (ComboBoxLane->currentIndex()) {
        case 1:
            return {2, 0};
        case 2:
            return {2, 1};
        default:
            return {};
    }
}

void MainWindow::ShowSeriesCounts(const QString& counts) {
    SeriesCounts->setText(counts);
    SeriesCounts->setVisible(!counts.isEmpty());
}

std::optional<ImageFormat> MainWindow::ChosenSaveFormat() const {
    return FilterFormat(SaveDialog1);
}

void MainWindow::ShowBuffer(const QString& title, std::vector<std::uint8_t> bytes,
                            std::vector<std::uint64_t> marks) {
    if (bytes.empty()) {
        SumsStatus->clear();
    } else {
        SumsStatus->setText(QString("Сумма-16: %1  CRC-32: %2")
                                .arg(HexText(Sum16(bytes), 4), HexText(Crc32(bytes), 8)));
    }
    SaveBufferAction->setEnabled(!bytes.empty());
    Buffer->Show(title, std::move(bytes), std::move(marks));
}

void MainWindow::ShowProgrammer(const QString& serial, const QString& location) {
    if (location.isEmpty() && serial.isEmpty()) {
        ProgrammerStatus->setText("Программатор: нет");
    } else if (serial.isEmpty()) {
        ProgrammerStatus->setText("Программатор: " + location);
    } else {
        ProgrammerStatus->setText("Программатор: " + serial + " (" + location + ")");
    }
}

void MainWindow::ShowChip(const QString& name, std::uint32_t size) {
    ChipStatus->setText(name.isEmpty() ? QString("Чип: не определён")
                                       : QString("Чип: %1, %2 байт").arg(name).arg(size));
}

void MainWindow::SaveLog() {
    SaveLogDialog->selectFile(QString());
    if (SaveLogDialog->exec() != QDialog::Accepted || SaveLogDialog->selectedFiles().isEmpty())
        return;
    SaveLogTo(SaveLogDialog->selectedFiles().constFirst());
}

bool MainWindow::SaveLogTo(const QString& name) {
    const QByteArray text = (Memo1->toPlainText() + '\n').toUtf8();
    return SaveNew(this, name,
                   std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                   "журнал");
}

void MainWindow::SaveBuffer() {
    if (Buffer->model().bytes().empty()) return;
    SaveBufferDialog->selectFile(QString());
    if (SaveBufferDialog->exec() != QDialog::Accepted ||
        SaveBufferDialog->selectedFiles().isEmpty())
        return;
    const QString name = SaveBufferDialog->selectedFiles().constFirst();
    SaveBufferTo(
        name, FilterFormat(SaveBufferDialog).value_or(ImageFormatFromFileName(name.toStdString())));
}

bool MainWindow::SaveBufferTo(const QString& name, ImageFormat format) {
    const std::string content = EncodeImage(format, Buffer->model().bytes());
    if (!SaveNew(this, name, content, "буфер")) return false;
    const QString form =
        format == ImageFormat::Raw ? QString() : QString(" (%1)").arg(ImageFormatTitle(format));
    AppendLine("Буфер сохранён в файле: \"" + Shown(name) + "\"" + form + ".");
    return true;
}

QString MainWindow::AboutText() {
    QString text = QString(
                       "dspprog %1\n"
                       "Программа для программатора чипов на TMS320VC5509 (USB).\n\n"
                       "Лицензия: GNU General Public License, версия 3 или любая "
                       "более поздняя (GPL-3.0-or-later).\n\n"
                       "Библиотеки:\n")
                       .arg(ProgramVersion());
    text += QString("Qt %1\n").arg(qVersion());
    for (const LibraryVersion& library : LinkedLibraries())
        text += QString::fromStdString(library.name + ' ' + library.version) + '\n';
    return text.trimmed();
}

void MainWindow::HoldCloseWhile(std::function<bool()> busy) {
    busy_ = std::move(busy);
}

void MainWindow::ReleaseHeldClose() {
    if (!close_held_) return;
    close_held_ = false;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_ && busy_()) {
        close_held_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace dspprog
