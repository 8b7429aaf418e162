// The receive poll, the log window with its controls and statistics, and the
// log file.
#include "ui/TForm1.h"

#include "core/Cp1251.h"
#include "rx/LogDisplayText.h"
#include "rx/LogLineRenderer.h"
#include "rx/LogTimeStamp.h"
#include "rx/PacketGapSteps.h"
#include "rx/WeekClock.h"
#include "ui/LogViewAppend.h"
#include "ui/ModalSeam.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QTextCursor>

#include <cstring>
#include <utility>

namespace {

const QByteArray kStopMarker(">>>>>>>>>> STOP <<<<<<<<<<");

} // namespace

void TForm1::RxTimerTimer() {
    // A tick that arrives while an earlier one waits in a modal loop returns
    // at once; reading resumes when that one ends.
    if (state.RxBusy)
        return;
    state.RxBusy = true;
    const auto release = qScopeGuard([this] { state.RxBusy = false; });
    if (!state.PortOpen)
        return;

    const qint64 waiting = port_.bytesWaiting();
    // Silence is measured on a clock that steps of the wall clock (daylight
    // saving, NTP) do not move; the statistics keep the week clock.
    const qint32 now = rx::MonotonicWeekMs();
    if (waiting > 0) {
        holdReceiveReadoutPaint();
        ReadComInBufRx(waiting);
        if (statistics_.recordRead(rx::WeekClockMs()))
            showWaitStatistics();
        ui.LRead->setText(rx::ReadCountText(statistics_.ReadCount));
    }
    const rx::FramingDecision decision =
        framing_.decide(now, waiting > 0, state.PacketGap, ui.RBASCII->isChecked(), state.RxLen);
    if (decision.render)
        ReadBufRxInLog(decision.gapEnded);
    scheduleRxTick(now);
}

void TForm1::scheduleRxTick(qint32 now) {
    if (!state.PortOpen)
        return;
    const std::optional<qint32> delay =
        framing_.nextTickDelayMs(now, state.PacketGap, state.RxLen, port_.bytesWaiting() > 0);
    if (delay && (!RxTimer.isActive() || RxTimer.remainingTime() > *delay))
        RxTimer.start(*delay);
}

void TForm1::ReadComInBufRx(qint64 count) {
    const QByteArray bytes = port_.read(std::min(count, rx::receiveRoom(state.RxLen)));
    state.RxTotal += static_cast<quint32>(bytes.size());
    showTotals();
    std::memcpy(state.RxBuf.data() + state.RxLen, bytes.constData(), bytes.size());
    state.RxLen += static_cast<quint32>(bytes.size());
}

void TForm1::ReadBufRxInLog(bool gapEnded) {
    if (state.RxLen == 0)
        return;
    const std::optional<QByteArray> rendered =
        rx::RenderPacket(QByteArrayView(state.RxBuf.data(), state.RxLen), dataMode(), gapEnded);
    if (!rendered)
        return;
    state.RxLen = 0;
    if (rendered->isEmpty())
        return;
    putLogLine(ui.VisTime->isChecked() ? rx::timeStampPrefix(QTime::currentTime(), rx::kReceivedMark) + *rendered
                                       : *rendered);
    AfterAnswerSend();
}

void TForm1::putLogLine(const QByteArray &line) {
    if (!rx::PassesFilter(line, ui.FiltrLog->text()))
        return;
    appendLogLine(*ui.MainWindow, rx::LogDisplayText(line));
    if (!state.LogRecording)
        return;
    if (!logFile_.writeLine(line))
        reportLogFileError(logFile_.errorString());
    if (!logFlushTimer_.isActive())
        logFlushTimer_.start();
}

void TForm1::showTotals() {
    ui.StaticText3->setText(QStringLiteral("TX: %1 RX: %2").arg(state.TxTotal).arg(state.RxTotal));
}

// Under a flood the readouts change on every read. They take each new text
// at once, but are repainted at most once per frame: each repaint would
// redraw their panel and flush the window to the display.
void TForm1::holdReceiveReadoutPaint() {
    if (m_receiveReadoutsHeld)
        return;
    m_receiveReadoutsHeld = true;
    for (QWidget *readout : receiveReadouts())
        readout->setUpdatesEnabled(false);
    m_receiveReadoutPaint.request();
}

void TForm1::paintReceiveReadouts() {
    m_receiveReadoutsHeld = false;
    for (QWidget *readout : receiveReadouts())
        readout->setUpdatesEnabled(true); // repaints each
}

std::array<QWidget *, 4> TForm1::receiveReadouts() const {
    return {ui.StaticText3, ui.LRead, ui.MinTimeWait, ui.MaxTimeWait};
}

void TForm1::showWaitStatistics() {
    ui.MinTimeWait->setText(rx::MinWaitText(statistics_.MinWait));
    ui.MaxTimeWait->setText(rx::MaxWaitText(statistics_.MaxWait));
}

void TForm1::TimeOutRxClick(int direction) {
    state.PacketGap = direction > 0 ? rx::PacketGapUp(state.PacketGap) : rx::PacketGapDown(state.PacketGap);
    ui.TimeOutAns->setText(rx::PacketGapReadout(state.PacketGap));
    QPalette colours = ui.TimeOutAns->palette();
    colours.setColor(QPalette::Window, state.PacketGap != 0 ? QColor(255, 255, 0) : palette().color(QPalette::Window));
    ui.TimeOutAns->setPalette(colours);
    ui.TimeOutAns->setAutoFillBackground(true);
}

void TForm1::BTLogClick() { ui.MainWindow->clear(); }

void TForm1::StartStopClick() {
    ui.SecondWindow->clear();
    if (ui.StartStop->property("tag").toInt() == 0) {
        ui.StartStop->setProperty("tag", 1);
        ui.StartStop->setText(QStringLiteral(">"));
        ui.MainWindow->hide();
        ui.SecondWindow->show();
        // Built whole: appending an empty line to an empty text view adds no
        // row, and the empty line must show before the marker in any case.
        QString frozen = ui.MainWindow->toPlainText();
        if (!frozen.isEmpty())
            frozen += u'\n';
        frozen += u'\n' + QString::fromLatin1(kStopMarker);
        ui.SecondWindow->setPlainText(frozen);
        ui.SecondWindow->moveCursor(QTextCursor::End); // the marker in view
    } else {
        ui.StartStop->setProperty("tag", 0);
        ui.StartStop->setText(QStringLiteral("||"));
        ui.SecondWindow->hide();
        ui.MainWindow->show();
    }
}

void TForm1::BTClrStatClick() {
    statistics_.reset();
    ui.MinTimeWait->setText(rx::MinWaitText(statistics_.MinWait));
    ui.MaxTimeWait->setText(rx::MaxWaitText(statistics_.MaxWait));
    ui.LRead->setText(rx::ReadCountText(statistics_.ReadCount));
    ui.LSend->setText(rx::SendCountText(statistics_.SendCount));
}

void TForm1::RBASCIIClick() {
    if (std::exchange(state.TailMode, DataMode::Ascii) != DataMode::Ascii)
        ui.AddStrCmd->setText(QStringLiteral("$0D"));
}

void TForm1::RBHEXClick() {
    if (std::exchange(state.TailMode, DataMode::Hex) != DataMode::Hex)
        ui.AddStrCmd->clear();
}

void TForm1::StartLogClick() {
    if (ui.StartLog->property("tag").toInt() == 0) {
        if (!state.LogFileOpen) {
            const QString name = rx::LogFileNameFor(QDateTime::currentDateTime());
            if (!logFile_.create(name)) {
                modal::reportFileError(this, name, logFile_.errorString());
                return;
            }
            state.LogFileName = name;
            state.LogFileOpen = true;
        }
        ui.StartLog->setProperty("tag", 1);
        ui.StartLog->setText(QStringLiteral("Pause Log"));
        state.LogRecording = true;
        ui.STLog->setText(QStringLiteral("Лог записывается в файл ") + state.LogFileName);
    } else {
        ui.StartLog->setProperty("tag", 0);
        ui.StartLog->setText(QStringLiteral("Go Log"));
        ui.STLog->setText(QStringLiteral("Запись в файл лога приостановлена (") + state.LogFileName +
                          QStringLiteral(")"));
        state.LogRecording = false;
        flushLogFile();
    }
}

void TForm1::flushLogFile() {
    logFlushTimer_.stop();
    if (!logFile_.flush())
        reportLogFileError(logFile_.errorString());
}

void TForm1::reportLogFileError(const QString &systemError) {
    // Reported from the event loop, not from inside the poll or the send
    // routine, which carry on while the message is open.
    QTimer::singleShot(0, this, [this, systemError] {
        // The notice already open tells of the failing log; boxes must not
        // pile up while free space comes and goes.
        if (m_logNoticeOpen)
            return;
        m_logNoticeOpen = true;
        modal::reportFileError(this, state.LogFileName, systemError);
        m_logNoticeOpen = false;
    });
}
