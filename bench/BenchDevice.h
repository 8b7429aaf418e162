#pragma once

#include <QString>
#include <QTemporaryDir>

// A pseudo-terminal standing in for the device, listed as the port "ttyV0" in
// a scratch folder that the windows scan instead of /dev.
class BenchDevice {
public:
    BenchDevice();
    ~BenchDevice();
    int masterFd() const { return master_; }
    QString portFolder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    int master_ = -1;
    int slave_ = -1;
};
