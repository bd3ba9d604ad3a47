#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

namespace virel {

// The one persistent store. Every write is synced at once so a crash right after an edit loses
// nothing. A stored value that could not be read is copied aside under "<key>.unreadable" before it
// is first overwritten, so a corrupted store never silently destroys the user's data.
class Settings
{
public:
    // The user's store (fixed organisation and application names).
    Settings();
    // A store in the given file (tests, tools).
    explicit Settings(const QString& filePath);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Reports that the value under `key` could not be decoded; keeps a copy aside before the first
    // overwrite of it.
    void markUnreadable(const QString& key);

    QString fileName() const;

    // Writes made while a Batch lives reach the disk together, in one atomic file replacement, when
    // the outermost Batch ends: a crash never keeps one of them without the others.
    class Batch
    {
    public:
        explicit Batch(Settings& settings);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Settings& m_settings;
    };

private:
    void preserveUnreadable(const QString& key);
    void syncUnlessBatched();

    std::unique_ptr<QSettings> m_store;
    QStringList m_unreadable;
    int m_batchDepth = 0;
};

} // namespace virel
