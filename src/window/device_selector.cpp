// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/device_selector.h"

#include <QComboBox>
#include <QSignalBlocker>

#include "base/shown_text.h"
#include "link/device_choice.h"
#include "operations/startup.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window/window_handlers.h"

namespace dspprog {

namespace {

QString EntryText(const ProgrammerEntry& entry) {
    const auto or_dash = [](const std::string& text) {
        return QString::fromStdString(text.empty() ? "-" : ShownText(text));
    };
    return or_dash(entry.facts.serial) + "  (" + or_dash(entry.facts.location) + ")";
}

bool SameList(const std::vector<ProgrammerEntry>& a, const std::vector<ProgrammerEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].path != b[i].path || a[i].facts.serial != b[i].facts.serial) return false;
    return true;
}

}  // namespace

DeviceSelector::DeviceSelector(MainWindow& window, WindowHandlers& handlers,
                               InterfaceEnumerator& enumerator, Link& link, PlugNotifier* notifier)
    : window_(window), handlers_(handlers), enumerator_(enumerator), link_(link) {
    connect(window_.DeviceChoice, &QComboBox::activated, this, &DeviceSelector::OnChosen);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &DeviceSelector::OnChanged);
    // The notifier calls from its own thread; the list is the GUI thread's.
    if (notifier && notifier->Start([this] {
            QMetaObject::invokeMethod(this, &DeviceSelector::OnChanged, Qt::QueuedConnection);
        })) {
        notifier_ = notifier;
        return;
    }
    // Without a platform notice to hang this on, a look every two seconds
    // keeps the list current.
    poll_.start();
}

DeviceSelector::~DeviceSelector() {
    if (notifier_) notifier_->Stop();
}

void DeviceSelector::OnChanged() {
    // The list waits while an operation runs: its link must not move.
    if (handlers_.running()) {
        if (!poll_.isActive()) poll_.start();
        return;
    }
    if (notifier_) poll_.stop();
    Refresh();
}

void DeviceSelector::Refresh() {
    std::vector<ProgrammerEntry> present = ListProgrammers(enumerator_);
    QComboBox* choice = window_.DeviceChoice;
    if (!SameList(present, shown_)) {
        shown_ = std::move(present);
        const QSignalBlocker quiet(choice);
        choice->clear();
        for (const ProgrammerEntry& entry : shown_)
            choice->addItem(EntryText(entry), QString::fromStdString(entry.path));
    }
    choice->setCurrentIndex(choice->findData(QString::fromStdString(link_.DevicePath)));
    choice->setVisible(shown_.size() > 1);
}

void DeviceSelector::OnChosen(int index) {
    if (handlers_.running() || index < 0 || static_cast<std::size_t>(index) >= shown_.size())
        return;
    const ProgrammerEntry entry = shown_[static_cast<std::size_t>(index)];
    if (entry.path == link_.DevicePath) return;
    link_.Close();
    try {
        SubsetEnumerator chosen(enumerator_, {entry.member});
        FindProgrammer(chosen, link_);
        link_.Open();
    } catch (const FatalStop& stop) {
        link_.Close();
        emit ExitRequested(ReportFatalStop(stop, &window_));
        return;
    }
    window_.DeviceChoice->setCurrentIndex(index);
    window_.AppendLine("Программатор: " + EntryText(entry));
}

}  // namespace dspprog
