#pragma once

#include "core/WindowMessages.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

// Stands in for the main window: records every posted window message with its arrival time.
class MessageRecorder : public QObject {
public:
    struct Received {
        int message;
        std::intptr_t wParam;
        std::intptr_t lParam;
        QString text;
        double atMs;
    };

    MessageRecorder() { clock.start(); }

    int count(int message) const {
        int n = 0;
        for (const Received& r : received) {
            n += r.message == message ? 1 : 0;
        }
        return n;
    }

    std::vector<double> times(int message) const {
        std::vector<double> result;
        for (const Received& r : received) {
            if (r.message == message) {
                result.push_back(r.atMs);
            }
        }
        return result;
    }

    std::vector<Received> received;
    // Runs on every arrival, after it is recorded.
    std::function<void(const Received&)> onMessage;
    QElapsedTimer clock;

protected:
    bool event(QEvent* event) override {
        if (event->type() > WindowMessages::WM_APP) {
            auto* m = static_cast<WindowMessage*>(event);
            received.push_back({m->message(), m->wParam, m->lParam, m->text, clock.nsecsElapsed() / 1e6});
            if (onMessage) {
                onMessage(received.back());
            }
            return true;
        }
        return QObject::event(event);
    }
};
