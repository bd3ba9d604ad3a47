#include "platform/Settings.h"

namespace virel {

namespace {
const auto kOrganisation = QStringLiteral("virel");
const auto kApplication = QStringLiteral("virel");
const auto kUnreadableSuffix = QStringLiteral(".unreadable");
} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                          kApplication))
{}

Settings::Settings(const QString& filePath)
    : m_store(std::make_unique<QSettings>(filePath, QSettings::NativeFormat))
{}

Settings::~Settings() = default;

bool Settings::contains(const QString& key) const
{
    return m_store->contains(key);
}

QVariant Settings::value(const QString& key) const
{
    return m_store->value(key);
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    preserveUnreadable(key);
    m_store->setValue(key, value);
    syncUnlessBatched();
}

void Settings::remove(const QString& key)
{
    preserveUnreadable(key);
    m_store->remove(key);
    syncUnlessBatched();
}

void Settings::markUnreadable(const QString& key)
{
    if (!m_unreadable.contains(key)) {
        m_unreadable.append(key);
    }
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

void Settings::syncUnlessBatched()
{
    if (m_batchDepth == 0) {
        m_store->sync();
    }
}

Settings::Batch::Batch(Settings& settings) : m_settings(settings)
{
    ++m_settings.m_batchDepth;
}

Settings::Batch::~Batch()
{
    if (--m_settings.m_batchDepth == 0) {
        m_settings.m_store->sync();
    }
}

void Settings::preserveUnreadable(const QString& key)
{
    if (!m_unreadable.removeOne(key) || !m_store->contains(key)) {
        return;
    }
    m_store->setValue(key + kUnreadableSuffix, m_store->value(key));
}

} // namespace virel
