#include "settings/SettingsStore.h"

#include "core/Log.h"
#include "core/Notice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <climits>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

QString prefixed(const QString& prefix, const char* key) {
    return prefix + QLatin1String(key);
}

} // namespace

SettingsStore::SettingsStore()
    : settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QLatin1String(organisation), QLatin1String(application))) {
    // Only the user's own file counts: no organisation-wide or system-wide values leak in.
    settings->setFallbacksEnabled(false);
}

SettingsStore::SettingsStore(const QString& iniFilePath)
    : settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat)) {
    settings->setFallbacksEnabled(false);
}

SettingsStore::~SettingsStore() = default;

SettingsStore::Batch::Batch(SettingsStore& store) : store(store) {
    ++store.batchDepth;
}

SettingsStore::Batch::~Batch() {
    if (--store.batchDepth == 0 && store.pending) {
        store.writeToDisk();
    }
}

QString SettingsStore::fileName() const {
    return settings->fileName();
}

QString SettingsStore::backupFileName() const {
    return fileName() + QLatin1String(".bak");
}

// QSettings reads "/" and "\" in a key as group separators (and folds doubled or trailing ones),
// which would make "A/B" collide with "A\B" and let removing "A" remove "A/B". Percent-escaping
// "%", "/" and "\" keeps every key a single, distinct name; QSettings then escapes the "%" again,
// so "Distance/Time" appears in the file as "Distance%252FTime".
QString SettingsStore::storageKey(const QString& key) {
    QString escaped;
    escaped.reserve(key.size() + 8);
    for (const QChar c : key) {
        if (c == u'%') {
            escaped += QLatin1String("%25");
        } else if (c == u'/') {
            escaped += QLatin1String("%2F");
        } else if (c == u'\\') {
            escaped += QLatin1String("%5C");
        } else {
            escaped += c;
        }
    }
    return QLatin1String(section) + u'/' + escaped;
}

QString SettingsStore::read(const QString& key, const QString& defaultText) const {
    if (key.isEmpty()) {
        return defaultText;
    }
    const QVariant value = settings->value(storageKey(key));
    if (!value.isValid()) {
        return defaultText;
    }
    // A hand-edited value with unquoted commas comes back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(u',');
    }
    if (value.canConvert<QString>()) {
        return value.toString();
    }
    return defaultText;
}

void SettingsStore::write(const QString& key, const QString& text) {
    if (key.isEmpty()) {
        return;
    }
    beforeWrite();
    settings->setValue(storageKey(key), text);
    afterWrite();
}

void SettingsStore::remove(const QString& key) {
    if (key.isEmpty()) {
        return;
    }
    beforeWrite();
    settings->remove(storageKey(key));
    afterWrite();
}

void SettingsStore::reload() {
    if (pending) {
        writeToDisk();
    } else {
        settings->sync();
    }
}

void SettingsStore::beforeWrite() {
    if (!backupKept) {
        backupKept = true;
        keepBackup();
    }
}

void SettingsStore::afterWrite() {
    pending = true;
    if (batchDepth == 0) {
        writeToDisk();
    }
}

void SettingsStore::writeToDisk() {
    pending = false;
    settings->sync();
    ++rewrites;
    checkWritten();
}

// A hand-edited file that Qt misreads (a stray quote swallows every later line into one value)
// loses those keys for good at the first rewrite; the copy keeps them.
void SettingsStore::keepBackup() {
    const QString original = fileName();
    if (!QFileInfo(original).isFile()) {
        return;
    }
    const QString backup = backupFileName();
    QFile::remove(backup);
    if (QFile::copy(original, backup)) {
        appendLog(QStringLiteral("Settings as they were before this run are kept in %1")
                      .arg(QDir::toNativeSeparators(backup)));
    } else {
        appendLog(QStringLiteral("Could not keep a copy of the settings in %1")
                      .arg(QDir::toNativeSeparators(backup)));
    }
}

void SettingsStore::checkWritten() {
    if (failed || (settings->status() != QSettings::AccessError && QFileInfo(fileName()).isFile())) {
        return;
    }
    // Once is enough: every later write fails the same way.
    failed = true;
    const QString message = QStringLiteral("Settings and best scores cannot be saved to %1. "
                                           "Changes made while the game runs will be lost when it closes.")
                                .arg(QDir::toNativeSeparators(fileName()));
    appendLog(message);
    Notice::show(message);
}

int SettingsStore::readSettingInt(const QString& key, const QString& defaultText, int minimum,
                                  int maximum) const {
    return clamp(parseInt(read(key, defaultText)), minimum, maximum);
}

bool SettingsStore::readSettingBool(const QString& key, const QString& defaultText) const {
    return parseBool(read(key, defaultText));
}

bool SettingsStore::readFlag(const QString& key, const QString& defaultText) const {
    return parseFlag(read(key, defaultText));
}

int SettingsStore::readCode(const QString& key, int emptyCode) const {
    const QString text = read(key, QString());
    return text.isEmpty() ? emptyCode : parseInt(text);
}

QString SettingsStore::readText(const SettingKeys::Entry& entry, const QString& prefix) const {
    return read(prefixed(prefix, entry.key), QLatin1String(entry.defaultText));
}

int SettingsStore::readInt(const SettingKeys::Entry& entry, const QString& prefix) const {
    const int value = parseInt(readText(entry, prefix));
    return entry.clamped ? clamp(value, entry.minimum, entry.maximum) : value;
}

bool SettingsStore::readBool(const SettingKeys::Entry& entry, const QString& prefix) const {
    return parseBool(readText(entry, prefix));
}

bool SettingsStore::readFlag(const SettingKeys::Entry& entry) const {
    return parseFlag(readText(entry));
}

int SettingsStore::readCode(const SettingKeys::Entry& entry) const {
    return readCode(QLatin1String(entry.key), entry.emptyCode);
}

void SettingsStore::writeInt(const SettingKeys::Entry& entry, int value, const QString& prefix) {
    write(prefixed(prefix, entry.key), formatInt(value));
}

void SettingsStore::writeBool(const SettingKeys::Entry& entry, bool value, const QString& prefix) {
    write(prefixed(prefix, entry.key), formatBool(value));
}

void SettingsStore::writeFlag(const SettingKeys::Entry& entry, bool on) {
    write(QLatin1String(entry.key), formatFlag(on));
}

int SettingsStore::defaultInt(const SettingKeys::Entry& entry) {
    const int value = parseInt(QString::fromLatin1(entry.defaultText));
    return entry.clamped ? clamp(value, entry.minimum, entry.maximum) : value;
}

bool SettingsStore::defaultBool(const SettingKeys::Entry& entry) {
    return parseBool(QString::fromLatin1(entry.defaultText));
}

int SettingsStore::parseInt(QStringView text) {
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulated in 64 bits and capped at the int limit, so no digit count can overflow.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < size && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - u'0'), limit);
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool SettingsStore::parseBool(QStringView text) {
    // ASCII only: no Unicode case folding may turn some other text into "true".
    static constexpr char16_t word[] = u"true";
    if (text.size() != 4) {
        return false;
    }
    for (qsizetype i = 0; i < 4; ++i) {
        const char16_t c = text[i].unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
        if (lower != word[i]) {
            return false;
        }
    }
    return true;
}

bool SettingsStore::parseFlag(QStringView text) {
    return parseInt(text) != 0;
}

QString SettingsStore::formatInt(int value) {
    return QString::number(value);
}

QString SettingsStore::formatBool(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString SettingsStore::formatFlag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

int SettingsStore::clamp(int value, int minimum, int maximum) {
    return std::max(minimum, std::min(value, maximum));
}
