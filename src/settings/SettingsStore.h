#pragma once

#include "settings/SettingKeys.h"

#include <QString>
#include <QStringView>

#include <memory>

class QSettings;

// The per-user settings store: text values under keys of the one section "Vazazo", kept in an INI
// file. A write reaches the disk at once, so a killed program loses nothing; the writes made while a
// Batch lives reach it together, since every rewrite of the file costs as much as the whole file.
// Before its first write of a run the store keeps the file as it was next to it (file name + ".bak"),
// and a write that cannot reach the disk is reported once, in a notice and in the game log.
class SettingsStore {
public:
    // Defers the writes to the disk until the outermost batch on the store ends.
    class Batch {
    public:
        explicit Batch(SettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsStore& store;
    };

    static constexpr const char* organisation = "Ruvuriva";
    static constexpr const char* application = "Vazazo";
    static constexpr const char* section = "Vazazo";

    // The user's own store.
    SettingsStore();
    // A store in the given INI file (tests and tools).
    explicit SettingsStore(const QString& iniFilePath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString fileName() const;
    // Where the file as it was before this run's first write is kept.
    QString backupFileName() const;

    // The stored text, or defaultText when the key is absent. An empty key is never stored.
    QString read(const QString& key, const QString& defaultText) const;
    void write(const QString& key, const QString& text);
    void remove(const QString& key);
    // Takes in what another program wrote to the file meanwhile, and writes what waits.
    void reload();

    // How often the file has been rewritten, and whether a rewrite failed, in this run.
    int diskWrites() const { return rewrites; }
    bool writeFailed() const { return failed; }

    int readSettingInt(const QString& key, const QString& defaultText, int minimum, int maximum) const;
    bool readSettingBool(const QString& key, const QString& defaultText) const;
    bool readFlag(const QString& key, const QString& defaultText) const;
    // Empty text (stored or absent) selects emptyCode; any other text is parsed as an integer.
    int readCode(const QString& key, int emptyCode) const;

    // The same through the key table; integers are clamped only where the table says so.
    QString readText(const SettingKeys::Entry& entry, const QString& prefix = {}) const;
    int readInt(const SettingKeys::Entry& entry, const QString& prefix = {}) const;
    bool readBool(const SettingKeys::Entry& entry, const QString& prefix = {}) const;
    bool readFlag(const SettingKeys::Entry& entry) const;
    int readCode(const SettingKeys::Entry& entry) const;
    void writeInt(const SettingKeys::Entry& entry, int value, const QString& prefix = {});
    void writeBool(const SettingKeys::Entry& entry, bool value, const QString& prefix = {});
    void writeFlag(const SettingKeys::Entry& entry, bool on);
    // What readInt and readBool give for an absent key.
    static int defaultInt(const SettingKeys::Entry& entry);
    static bool defaultBool(const SettingKeys::Entry& entry);

    // Decimal prefix of the text: leading blanks skipped, optional sign, digits up to the first
    // non-digit; no digits give 0, and values beyond int saturate.
    static int parseInt(QStringView text);
    // True exactly for "true" in any letter case.
    static bool parseBool(QStringView text);
    static bool parseFlag(QStringView text);
    static QString formatInt(int value);
    static QString formatBool(bool value);
    static QString formatFlag(bool on);
    // Unlike std::clamp, defined for minimum > maximum (gives minimum).
    static int clamp(int value, int minimum, int maximum);

private:
    static QString storageKey(const QString& key);
    void beforeWrite();
    void afterWrite();
    void writeToDisk();
    void keepBackup();
    void checkWritten();

    std::unique_ptr<QSettings> settings;
    int batchDepth = 0;
    bool pending = false;
    bool backupKept = false;
    bool failed = false;
    int rewrites = 0;
};
