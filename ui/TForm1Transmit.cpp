// The send routine and the command line's keys.
#include "ui/TForm1.h"

#include "core/Cp1251.h"
#include "rx/LogTimeStamp.h"
#include "rx/ReadStatistics.h"
#include "ui/ModalSeam.h"
#include "ui/TOpenPortError.h"

#include <QScopeGuard>
#include <QTime>

QByteArray TForm1::commandLine() const { return cp1251::fromUnicode(ui.MainStrCmd->text()); }

DataMode TForm1::dataMode() const { return ui.RBHEX->isChecked() ? DataMode::Hex : DataMode::Ascii; }

void TForm1::SendPortData(const QByteArray &command) {
    // A send that arrives while another is inside (a timer firing in a modal
    // loop) is dropped, not queued.
    if (state.SendBusy)
        return;
    state.SendBusy = true;
    const auto release = qScopeGuard([this] { state.SendBusy = false; });

    if (state.PortOpen && !command.isEmpty()) {
        sentHistory_.add(command);
        const DataMode mode = dataMode();
        const QByteArray tail = tx::ConvAddStr(command, cp1251::fromUnicode(ui.AddStrCmd->text()), mode);
        const tx::Packet packet = tx::BuildPacket(command, tail, mode);
        putLogLine(ui.VisTime->isChecked() ? rx::timeStampPrefix(QTime::currentTime(), '>') + packet.echo : packet.echo);
        port_.purge();
        state.TxTotal += static_cast<quint32>(packet.bytes.size());
        showTotals();
        port_.write(packet.bytes);
        ++statistics_.SendCount;
        ui.LSend->setText(rx::SendCountText(statistics_.SendCount));
    } else if (!state.PortOpen && portErrorWindow_) {
        modal::exec(*portErrorWindow_, portErrorWindow_->windowTitle());
    }
}

void TForm1::ButtonSendClick() { SendPortData(commandLine()); }

bool TForm1::MainStrCmdKeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        SendPortData(commandLine());
        return true;
    }
    if (key == Qt::Key_Escape) {
        ui.MainStrCmd->clear();
        return true;
    }
    return false;
}

bool TForm1::AddStrCmdKeyPress(int key) {
    // The tail field never sends.
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return true;
    if (key == Qt::Key_Escape) {
        ui.AddStrCmd->clear();
        return true;
    }
    return false;
}
