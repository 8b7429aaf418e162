#include "ConnectedWindow.h"

#include "ui/TForm1.h"

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

ConnectedWindow::ConnectedWindow() : windows_(PortDirectory(device_.portFolder(), false)) {
    showCentred(form());
    if (QTest::qWaitForWindowExposed(&form()))
        click("BTConnect");
}

bool ConnectedWindow::connected() { return form().terminalState().PortOpen; }

void ConnectedWindow::click(const char *name) { form().findChild<QAbstractButton *>(QLatin1String(name))->click(); }

void ConnectedWindow::clickGapUp(int times) {
    auto *up = form().findChild<QWidget *>(QStringLiteral("TimeOutRx"))->findChild<QToolButton *>("up");
    for (int i = 0; i < times; ++i)
        up->click();
}

QPlainTextEdit *ConnectedWindow::log() { return form().findChild<QPlainTextEdit *>(QStringLiteral("MainWindow")); }
