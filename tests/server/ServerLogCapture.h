#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Collects the server's log lines (from any thread), informational ones included, while it
// lives; one at a time. The tests keep the server's informational lines quiet otherwise.
class ServerLogCapture {
public:
    ServerLogCapture() : previous(qInstallMessageHandler(&ServerLogCapture::handle)) {
        instance = this;
        QLoggingCategory::setFilterRules(QStringLiteral("vazazo.server.info=true"));
    }
    ~ServerLogCapture() {
        QLoggingCategory::setFilterRules(QStringLiteral("vazazo.server.info=false"));
        qInstallMessageHandler(previous);
        instance = nullptr;
    }
    QString all() const {
        QMutexLocker lock(&mutex);
        return lines.join(QLatin1Char('\n'));
    }
    bool contains(const QString& text) const { return all().contains(text); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (instance && context.category && qstrcmp(context.category, "vazazo.server") == 0) {
            QMutexLocker lock(&instance->mutex);
            instance->lines.append(message);
        } else if (instance && instance->previous) {
            instance->previous(type, context, message);
        }
    }

    static inline ServerLogCapture* instance = nullptr;
    QtMessageHandler previous = nullptr;
    mutable QMutex mutex;
    QStringList lines;
};
