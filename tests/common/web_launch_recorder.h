// Stands in for the web address launcher while the object lives: records every address and
// returns the chosen launch result.
#pragma once

#include "platform/launch_error.h"
#include "platform/web_launcher.h"

#include <QStringList>

class CWebLaunchRecorder {
public:
    explicit CWebLaunchRecorder(int result = launch::kSucceeded) : m_nResult(result) {
        SetWebLauncherHook([this](const QString& address) {
            m_addresses.append(address);
            return m_nResult;
        });
    }
    ~CWebLaunchRecorder() { SetWebLauncherHook({}); }
    CWebLaunchRecorder(const CWebLaunchRecorder&) = delete;
    CWebLaunchRecorder& operator=(const CWebLaunchRecorder&) = delete;

    void SetResult(int result) { m_nResult = result; }
    const QStringList& Addresses() const { return m_addresses; }

private:
    int m_nResult;
    QStringList m_addresses;
};
