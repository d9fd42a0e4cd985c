#include "site/SiteService.h"

#include "site/Libpq.h"
#include "site/SiteSender.h"


SiteService::SiteService(const QString& dataDir, const LinkHub* hub, QObject* parent)
    : QObject(parent), dataDir_(dataDir), hub_(hub)
{
    settings_.terminal = DefaultTerminalName();
}

SiteService::~SiteService()
{
    stop();
}

QString SiteService::apply(const DatabaseSettings& settings)
{
    // On the window's thread: the old sender is not waited for (it may be
    // inside a call to a slow server); it ends by itself and writes nothing.
    if (sender_)
        sender_->stop(std::chrono::milliseconds(0));
    sender_.reset();
    settings_ = settings;
    if (!settings_.enabled)
        return {};
    QString why;
    const Libpq* pq = LoadLibpq(&why);
    if (!pq)
        return QStringLiteral("Передача в базу данных площадки не начата: %1.").arg(why);
    // The sender's thread posts what is to be told, only while this object
    // lives (the sender is gone before it); it reaches the operator on this
    // object's thread.
    sender_ = std::make_unique<SiteSender>(*pq, dataDir_, settings_, hub_, [this](const QString& message) {
        QMetaObject::invokeMethod(this, [this, message] { emit tell(message); }, Qt::QueuedConnection);
    });
    return {};
}

void SiteService::stop()
{
    // At the end of the run: a few seconds for the last call to finish.
    sender_.reset();
}

void SiteService::journalWritten()
{
    if (sender_)
        sender_->wake();
}

SiteStatus SiteService::status() const
{
    return sender_ ? sender_->status() : SiteStatus{};
}

SiteDayStatus SiteService::dayStatus(const QDate& date) const
{
    return sender_ ? sender_->day(date) : SiteDayStatus{};
}

bool SiteService::waitFor(const std::function<bool(const SiteStatus&)>& until, int milliseconds) const
{
    return sender_ && sender_->waitFor(until, milliseconds);
}
