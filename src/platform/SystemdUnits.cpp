// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemdUnits.h"

#include "platform/ByteText.h"
#include "platform/LogCategories.h"
#include "platform/UnitNames.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <map>
#include <string_view>

namespace corvane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.systemd1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString kManager = QStringLiteral("org.freedesktop.systemd1.Manager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kUnit = QStringLiteral("org.freedesktop.systemd1.Unit");
const QString kServiceUnit = QStringLiteral("org.freedesktop.systemd1.Service");
const QString kTimer = QStringLiteral("org.freedesktop.systemd1.Timer");
const QString kPathUnit = QStringLiteral("org.freedesktop.systemd1.Path");
const QString kJob = QStringLiteral("org.freedesktop.systemd1.Job");

const QStringList kEnabledStates = {QStringLiteral("enabled"), QStringLiteral("enabled-runtime")};
const QStringList kListedPatterns = {QStringLiteral("*.service"), QStringLiteral("*.timer"), QStringLiteral("*.socket"),
                                     QStringLiteral("*.path")};

constexpr int kCallTimeoutMs = 10'000;
// A reload reads every unit file again; on a large configuration that takes a while.
constexpr int kReloadTimeoutMs = 120'000;
// dbus-daemon lets one connection wait for at most 128 replies on a system bus unless
// configured otherwise; beyond that calls fail at once. Half of it leaves room for
// whoever else shares the connection.
constexpr size_t kCallsInFlight = 64;
constexpr int kJobPollMs = 100;

enum class Kind { Service, Timer, Socket, Path, Other };

Kind kindOf(std::string_view name)
{
    const auto endsWith = [&](std::string_view tail) {
        return name.size() > tail.size() && name.substr(name.size() - tail.size()) == tail;
    };
    if (endsWith(".service"))
        return Kind::Service;
    if (endsWith(".timer"))
        return Kind::Timer;
    if (endsWith(".socket"))
        return Kind::Socket;
    if (endsWith(".path"))
        return Kind::Path;
    return Kind::Other;
}

QDBusMessage managerCall(const QString& member, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kManagerPath, kManager, member);
    call.setArguments(arguments);
    return call;
}

QDBusMessage propertyCall(const QString& object, const QString& interface, const QString& property)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, object, kProperties, QStringLiteral("Get"));
    call.setArguments({interface, property});
    return call;
}

bool failed(const QDBusMessage& reply)
{
    return reply.type() != QDBusMessage::ReplyMessage;
}

QString failureText(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        return reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
    return QStringLiteral("unexpected reply of signature \"%1\"").arg(reply.signature());
}

// Sends the calls in waves that the bus accepts, each wave sent whole before any of its
// replies is awaited; the replies come back in the order of the calls.
std::vector<QDBusMessage> callTogether(const QDBusConnection& bus, const std::vector<QDBusMessage>& calls)
{
    std::vector<QDBusMessage> replies;
    replies.reserve(calls.size());
    std::vector<QDBusPendingCall> wave;
    for (size_t begin = 0; begin < calls.size(); begin += kCallsInFlight) {
        const size_t end = std::min(calls.size(), begin + kCallsInFlight);
        wave.clear();
        for (size_t i = begin; i < end; ++i)
            wave.push_back(bus.asyncCall(calls[i], kCallTimeoutMs));
        for (QDBusPendingCall& pending : wave) {
            pending.waitForFinished();
            replies.push_back(pending.reply());
        }
    }
    return replies;
}

// The one argument of a reply, when the reply has exactly that signature; a manager that
// answers in another shape is treated as not having answered.
std::optional<QVariant> onlyArgument(const QDBusMessage& reply, QLatin1String signature)
{
    if (failed(reply) || reply.signature() != signature || reply.arguments().size() != 1)
        return std::nullopt;
    return reply.arguments().constFirst();
}

std::optional<QString> stringResult(const QDBusMessage& reply)
{
    const auto argument = onlyArgument(reply, QLatin1String("s"));
    if (!argument)
        return std::nullopt;
    return argument->toString();
}

std::optional<QString> objectPathOf(const QDBusMessage& reply)
{
    const auto argument = onlyArgument(reply, QLatin1String("o"));
    if (!argument || argument->metaType() != QMetaType::fromType<QDBusObjectPath>())
        return std::nullopt;
    return argument->value<QDBusObjectPath>().path();
}

// What a Properties.Get reply holds inside its variant.
std::optional<QVariant> propertyValue(const QDBusMessage& reply)
{
    const auto argument = onlyArgument(reply, QLatin1String("v"));
    if (!argument || argument->metaType() != QMetaType::fromType<QDBusVariant>())
        return std::nullopt;
    return argument->value<QDBusVariant>().variant();
}

std::optional<QString> stringProperty(const QDBusMessage& reply)
{
    const auto value = propertyValue(reply);
    if (!value || value->metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return value->toString();
}

std::optional<QStringList> stringListProperty(const QDBusMessage& reply)
{
    const auto value = propertyValue(reply);
    if (!value)
        return std::nullopt;
    // QtDBus hands "as" over ready-made, but only as long as nothing else asked for it
    // as a custom type: read the raw argument as well.
    if (value->metaType() == QMetaType::fromType<QStringList>())
        return value->toStringList();
    if (value->metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const auto argument = value->value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("as"))
        return std::nullopt;
    QStringList list;
    argument >> list;
    return list;
}

// ExecStart is a(sasbttttuii): per command line its path, its argv, whether a failure is
// ignored, four timestamps, the pid and the exit code and status of its last run. The
// first command line is the program; an empty argv stands for the path alone.
std::vector<std::string> firstCommandOf(const QDBusMessage& reply)
{
    const auto value = propertyValue(reply);
    if (!value || value->metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const auto argument = value->value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sasbttttuii)"))
        return {};
    QString path;
    QStringList argv;
    argument.beginArray();
    if (!argument.atEnd()) {
        bool ignoreFailure = false;
        quint64 started = 0, startedMonotonic = 0, exited = 0, exitedMonotonic = 0;
        quint32 pid = 0;
        qint32 code = 0, status = 0;
        argument.beginStructure();
        argument >> path >> argv >> ignoreFailure >> started >> startedMonotonic >> exited >> exitedMonotonic >> pid >>
            code >> status;
        argument.endStructure();
    }
    argument.endArray();
    if (argv.isEmpty() && !path.isEmpty())
        argv.append(path);
    std::vector<std::string> program;
    program.reserve(static_cast<size_t>(argv.size()));
    for (const QString& word : argv)
        program.push_back(word.toStdString());
    return program;
}

// ListUnitFiles' a(ss): the unit file's path and its state.
std::optional<std::vector<std::pair<std::string, std::string>>> unitFileList(const QDBusMessage& reply)
{
    const auto argument = onlyArgument(reply, QLatin1String("a(ss)"));
    if (!argument || argument->metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const auto list = argument->value<QDBusArgument>();
    std::vector<std::pair<std::string, std::string>> entries;
    list.beginArray();
    while (!list.atEnd()) {
        QString path, state;
        list.beginStructure();
        list >> path >> state;
        list.endStructure();
        entries.emplace_back(path.toStdString(), state.toStdString());
    }
    list.endArray();
    return entries;
}

// The units' objects by name, for the names the manager could load.
void loadObjects(const QDBusConnection& bus, const std::vector<std::string>& names,
                 std::map<std::string, QString>& objects)
{
    std::vector<QDBusMessage> calls;
    calls.reserve(names.size());
    for (const std::string& name : names)
        calls.push_back(managerCall(QStringLiteral("LoadUnit"), {QString::fromStdString(name)}));
    const std::vector<QDBusMessage> replies = callTogether(bus, calls);
    for (size_t i = 0; i < names.size(); ++i) {
        if (auto object = objectPathOf(replies[i]))
            objects.emplace(names[i], *object);
        else
            qCDebug(lcPlatform).noquote()
                << "unit not loaded:" << QString::fromStdString(names[i]) << failureText(replies[i]);
    }
}

// Fills in each unit's program: a service's own first command, or that of the service a
// timer, path or socket starts. Each stage asks about every unit at once.
void resolvePrograms(const QDBusConnection& bus, std::vector<SystemdUnits::UnitFile>& units)
{
    std::map<std::string, QString> objects;
    std::vector<std::string> names;
    names.reserve(units.size());
    for (const auto& unit : units)
        names.push_back(unit.name);
    loadObjects(bus, names, objects);

    // Which service each unit stands for.
    std::vector<std::string> serviceOf(units.size());
    std::vector<QDBusMessage> triggerCalls;
    std::vector<size_t> asked;
    for (size_t i = 0; i < units.size(); ++i) {
        const Kind kind = kindOf(units[i].name);
        if (kind == Kind::Service) {
            serviceOf[i] = units[i].name;
            continue;
        }
        const auto object = objects.find(units[i].name);
        if (object == objects.end())
            continue;
        if (kind == Kind::Timer)
            triggerCalls.push_back(propertyCall(object->second, kTimer, QStringLiteral("Unit")));
        else if (kind == Kind::Path)
            triggerCalls.push_back(propertyCall(object->second, kPathUnit, QStringLiteral("Unit")));
        else if (kind == Kind::Socket)
            triggerCalls.push_back(propertyCall(object->second, kUnit, QStringLiteral("Triggers")));
        else
            continue;
        asked.push_back(i);
    }
    const std::vector<QDBusMessage> triggers = callTogether(bus, triggerCalls);
    std::vector<std::string> unlisted;
    for (size_t k = 0; k < asked.size(); ++k) {
        std::optional<QString> target;
        if (kindOf(units[asked[k]].name) == Kind::Socket) {
            // An Accept=yes socket starts an instance per connection and triggers nothing.
            if (auto list = stringListProperty(triggers[k]); list && !list->isEmpty())
                target = list->constFirst();
        } else {
            target = stringProperty(triggers[k]);
        }
        const std::string service = target ? target->toStdString() : std::string();
        if (!SystemdUnits::isValidUnitName(service) || kindOf(service) != Kind::Service)
            continue;
        serviceOf[asked[k]] = service;
        if (!objects.count(service))
            unlisted.push_back(service);
    }
    std::sort(unlisted.begin(), unlisted.end());
    unlisted.erase(std::unique(unlisted.begin(), unlisted.end()), unlisted.end());
    loadObjects(bus, unlisted, objects);

    // Each service's first command, asked once however many units start it.
    std::vector<std::string> services;
    for (const std::string& service : serviceOf)
        if (!service.empty() && objects.count(service))
            services.push_back(service);
    std::sort(services.begin(), services.end());
    services.erase(std::unique(services.begin(), services.end()), services.end());
    std::vector<QDBusMessage> execCalls;
    execCalls.reserve(services.size());
    for (const std::string& service : services)
        execCalls.push_back(propertyCall(objects[service], kServiceUnit, QStringLiteral("ExecStart")));
    const std::vector<QDBusMessage> commands = callTogether(bus, execCalls);
    std::map<std::string, std::vector<std::string>> programs;
    for (size_t i = 0; i < services.size(); ++i)
        programs.emplace(services[i], firstCommandOf(commands[i]));
    for (size_t i = 0; i < units.size(); ++i) {
        const auto program = programs.find(serviceOf[i]);
        if (program != programs.end())
            units[i].program = program->second;
    }
}

// Waits for one job of the manager to end. The manager tells its subscribers with
// JobRemoved (with the job's result); where that signal is not seen (another client of
// this connection ended the subscription), the job's object going away still ends the
// wait, with the result unknown.
class JobWatch : public QObject
{
    Q_OBJECT

public:
    enum class End { Result, Vanished, TimedOut };

    explicit JobWatch(const QDBusConnection& bus) : m_bus(bus)
    {
        m_listening = m_bus.connect(kService, kManagerPath, kManager, QStringLiteral("JobRemoved"), this,
                                    SLOT(jobRemoved(QDBusMessage)));
    }

    ~JobWatch() override
    {
        if (m_listening)
            m_bus.disconnect(kService, kManagerPath, kManager, QStringLiteral("JobRemoved"), this,
                             SLOT(jobRemoved(QDBusMessage)));
    }

    End waitFor(const QString& job, std::chrono::milliseconds wait)
    {
        m_job = job;
        QEventLoop loop;
        m_loop = &loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        std::optional<QDBusPendingCall> probe;
        bool vanished = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (probe && !probe->isFinished())
                return;
            if (probe && isGone(probe->reply())) {
                vanished = true;
                loop.quit();
                return;
            }
            probe = m_bus.asyncCall(propertyCall(job, kJob, QStringLiteral("State")), kCallTimeoutMs);
        });
        deadline.start(std::clamp(wait, std::chrono::milliseconds(0), std::chrono::milliseconds(INT_MAX)));
        poll.start(kJobPollMs);
        // A signal that came while StopUnit was being answered is already queued here.
        if (!m_results.count(job))
            loop.exec();
        m_loop = nullptr;
        if (vanished) {
            // A JobRemoved that reached the bus before the probe's answer has been handed
            // to this thread, but perhaps not yet delivered.
            QCoreApplication::sendPostedEvents(this);
        }
        if (m_results.count(job))
            return End::Result;
        return vanished ? End::Vanished : End::TimedOut;
    }

    QString result(const QString& job) const
    {
        const auto found = m_results.find(job);
        return found == m_results.end() ? QString() : found->second;
    }

private Q_SLOTS:
    void jobRemoved(const QDBusMessage& signal)
    {
        // JobRemoved(u id, o job, s unit, s result)
        const QVariantList arguments = signal.arguments();
        if (signal.signature() != QLatin1String("uoss") || arguments.size() != 4)
            return;
        const QString job = arguments.at(1).value<QDBusObjectPath>().path();
        m_results[job] = arguments.at(3).toString();
        if (m_loop && job == m_job)
            m_loop->quit();
    }

private:
    static bool isGone(const QDBusMessage& reply)
    {
        return reply.type() == QDBusMessage::ErrorMessage &&
               (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
                reply.errorName() == QLatin1String("org.freedesktop.systemd1.NoSuchJob"));
    }

    QDBusConnection m_bus;
    bool m_listening = false;
    QString m_job;
    QEventLoop* m_loop = nullptr;
    std::map<QString, QString> m_results;
};

} // namespace

SystemdUnits::SystemdUnits(Domain domain)
    : SystemdUnits(domain, domain == Domain::System ? QDBusConnection::systemBus() : QDBusConnection::sessionBus())
{}

SystemdUnits::SystemdUnits(Domain domain, const QDBusConnection& connection)
    : m_domain(domain), m_connection(connection)
{}

bool SystemdUnits::isValidUnitName(const std::string& name)
{
    return UnitNames::isValid(name) && name.front() != '-' && name.front() != '.';
}

std::optional<std::vector<SystemdUnits::UnitFile>> SystemdUnits::enabledUnitFiles() const
{
    if (!m_connection.isConnected()) {
        qCDebug(lcPlatform).noquote() << "no bus for the service manager:" << m_connection.lastError().message();
        return std::nullopt;
    }
    QDBusMessage reply =
        m_connection.call(managerCall(QStringLiteral("ListUnitFilesByPatterns"), {kEnabledStates, kListedPatterns}),
                          QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) {
        // A manager older than the filtered list: the whole list, filtered below.
        reply = m_connection.call(managerCall(QStringLiteral("ListUnitFiles")), QDBus::Block, kCallTimeoutMs);
    }
    const auto entries = unitFileList(reply);
    if (!entries) {
        qCDebug(lcPlatform).noquote() << "the service manager's unit files could not be read:" << failureText(reply);
        return std::nullopt;
    }
    std::vector<UnitFile> units;
    for (const auto& [path, state] : *entries) {
        if (!kEnabledStates.contains(QString::fromStdString(state)))
            continue;
        std::string name = path.substr(path.rfind('/') + 1);
        if (!isValidUnitName(name) || kindOf(name) == Kind::Other)
            continue;
        units.push_back(UnitFile{std::move(name), path, state, {}});
    }
    std::stable_sort(units.begin(), units.end(), [](const UnitFile& a, const UnitFile& b) { return a.name < b.name; });
    resolvePrograms(m_connection, units);
    return units;
}

bool SystemdUnits::hasUnit(const std::string& name) const
{
    if (!isValidUnitName(name))
        return false;
    const auto object = objectPathOf(m_connection.call(
        managerCall(QStringLiteral("LoadUnit"), {QString::fromStdString(name)}), QDBus::Block, kCallTimeoutMs));
    if (!object)
        return false;
    const auto state = stringProperty(
        m_connection.call(propertyCall(*object, kUnit, QStringLiteral("LoadState")), QDBus::Block, kCallTimeoutMs));
    return state && *state != QLatin1String("not-found");
}

bool SystemdUnits::disable(const std::string& name, std::chrono::milliseconds wait) const
{
    if (m_domain != Domain::User) {
        qCDebug(lcPlatform).noquote() << "units of the machine are switched off by the privileged helper, not here";
        return false;
    }
    if (!isValidUnitName(name)) {
        qCDebug(lcPlatform).noquote() << "not a unit name:" << QString::fromStdString(ByteText::forLog(name));
        return false;
    }
    const QString unit = QString::fromStdString(name);
    const auto call = [&](const QString& member, const QVariantList& arguments, int timeoutMs = kCallTimeoutMs) {
        QDBusMessage reply = m_connection.call(managerCall(member, arguments), QDBus::Block, timeoutMs);
        if (failed(reply))
            qCDebug(lcPlatform).noquote() << member << unit << failureText(reply);
        return reply;
    };
    if (failed(call(QStringLiteral("DisableUnitFiles"), {QStringList{unit}, false})))
        return false;
    // Disabling for good leaves the links of an enabled-runtime unit, which live apart,
    // and the manager answers that with success and no change: look at the state, and
    // take those links away too. A unit that stays enabled (by the administrator, for
    // every user) will start again; that is not a success.
    auto fileState = stringResult(call(QStringLiteral("GetUnitFileState"), {unit}));
    if (fileState == QLatin1String("enabled-runtime")) {
        if (failed(call(QStringLiteral("DisableUnitFiles"), {QStringList{unit}, true})))
            return false;
        fileState = stringResult(call(QStringLiteral("GetUnitFileState"), {unit}));
    }
    if (!fileState || kEnabledStates.contains(*fileState)) {
        qCDebug(lcPlatform).noquote() << unit
                                      << "is still enabled:" << fileState.value_or(QStringLiteral("state unknown"));
        return false;
    }
    if (failed(call(QStringLiteral("Reload"), {}, kReloadTimeoutMs)))
        return false;

    // Listening and subscribed before the stop is asked for, so its end cannot be missed.
    JobWatch watch(m_connection);
    // Refused with AlreadySubscribed when this connection is subscribed already: the
    // signals come all the same, and that subscription is not ours to end.
    const bool subscribed = !failed(call(QStringLiteral("Subscribe"), {}));
    const auto job = objectPathOf(call(QStringLiteral("StopUnit"), {unit, QStringLiteral("replace")}));
    bool stopped = false;
    if (job) {
        switch (watch.waitFor(*job, wait)) {
        case JobWatch::End::Result:
            stopped = watch.result(*job) == QLatin1String("done");
            if (!stopped)
                qCDebug(lcPlatform).noquote() << "stopping" << unit << "ended" << watch.result(*job);
            break;
        case JobWatch::End::Vanished: {
            // The job ended unseen: what a "done" stop leaves behind is a unit that is not
            // running (systemd counts a unit that failed while stopping as stopped too).
            const auto object = objectPathOf(call(QStringLiteral("LoadUnit"), {unit}));
            const auto state =
                object ? stringProperty(m_connection.call(propertyCall(*object, kUnit, QStringLiteral("ActiveState")),
                                                          QDBus::Block, kCallTimeoutMs))
                       : std::nullopt;
            stopped = state && (*state == QLatin1String("inactive") || *state == QLatin1String("failed"));
            break;
        }
        case JobWatch::End::TimedOut:
            qCDebug(lcPlatform).noquote() << "stopping" << unit << "did not end within" << wait.count() << "ms";
            break;
        }
    }
    if (subscribed)
        call(QStringLiteral("Unsubscribe"), {});
    return stopped;
}

} // namespace corvane

#include "SystemdUnits.moc"
