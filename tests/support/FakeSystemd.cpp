// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeSystemd.h"

#include "common/ThreadHandOff.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <fnmatch.h>
#include <map>
#include <mutex>
#include <set>

namespace corvane::test::fakesystemd {

// The manager's structures, marshalled field by field as systemd sends them.
struct UnitFileEntry
{
    QString path;
    QString state;
};

struct ExecCommand
{
    QString path;
    QStringList argv;
    bool ignoreFailure = false;
    quint64 started = 0, startedMonotonic = 0, exited = 0, exitedMonotonic = 0;
    quint32 pid = 0;
    qint32 code = 0, status = 0;
};

struct FileChange
{
    QString type;
    QString file;
    QString destination;
};

QDBusArgument& operator<<(QDBusArgument& out, const UnitFileEntry& entry)
{
    out.beginStructure();
    out << entry.path << entry.state;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, UnitFileEntry& entry)
{
    in.beginStructure();
    in >> entry.path >> entry.state;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const ExecCommand& command)
{
    out.beginStructure();
    out << command.path << command.argv << command.ignoreFailure << command.started << command.startedMonotonic
        << command.exited << command.exitedMonotonic << command.pid << command.code << command.status;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ExecCommand& command)
{
    in.beginStructure();
    in >> command.path >> command.argv >> command.ignoreFailure >> command.started >> command.startedMonotonic >>
        command.exited >> command.exitedMonotonic >> command.pid >> command.code >> command.status;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const FileChange& change)
{
    out.beginStructure();
    out << change.type << change.file << change.destination;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, FileChange& change)
{
    in.beginStructure();
    in >> change.type >> change.file >> change.destination;
    in.endStructure();
    return in;
}

} // namespace corvane::test::fakesystemd

Q_DECLARE_METATYPE(corvane::test::fakesystemd::UnitFileEntry)
Q_DECLARE_METATYPE(corvane::test::fakesystemd::ExecCommand)
Q_DECLARE_METATYPE(corvane::test::fakesystemd::FileChange)

namespace corvane::test {

using namespace fakesystemd;

namespace {

const QString kService = QStringLiteral("org.freedesktop.systemd1");
const QString kPath = QStringLiteral("/org/freedesktop/systemd1");
const QString kManager = QStringLiteral("org.freedesktop.systemd1.Manager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<UnitFileEntry>();
        qDBusRegisterMetaType<QList<UnitFileEntry>>();
        qDBusRegisterMetaType<ExecCommand>();
        qDBusRegisterMetaType<QList<ExecCommand>>();
        qDBusRegisterMetaType<FileChange>();
        qDBusRegisterMetaType<QList<FileChange>>();
    });
}

// systemd's object path label: every byte that is not a letter or digit as _xx.
QString objectPathOf(const std::string& unit)
{
    static const char hex[] = "0123456789abcdef";
    std::string label;
    for (unsigned char c : unit) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            label += static_cast<char>(c);
        } else {
            label += '_';
            label += hex[c >> 4];
            label += hex[c & 15];
        }
    }
    return kPath + QStringLiteral("/unit/") + QString::fromStdString(label);
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string render(const QVariantList& arguments)
{
    std::string text;
    for (const QVariant& argument : arguments) {
        if (!text.empty())
            text += ", ";
        if (argument.metaType() == QMetaType::fromType<QStringList>())
            text += "[" + argument.toStringList().join(QStringLiteral(", ")).toStdString() + "]";
        else if (argument.metaType() == QMetaType::fromType<bool>())
            text += argument.toBool() ? "true" : "false";
        else
            text += argument.toString().toStdString();
    }
    return text;
}

} // namespace

struct FakeSystemd::State
{
    std::mutex mutex;
    std::vector<Unit> units;               // in the order they were added, which is the order listed
    std::map<QString, std::string> loaded; // object path → unit name, as LoadUnit made them
    std::map<std::string, std::string> activeState;
    std::set<std::string> refused;
    StopJobs stopJobs = StopJobs::Done;
    std::map<QString, std::string> jobs; // job path → unit
    quint32 lastJob = 0;
    std::vector<std::string> calls;

    const Unit* find(const std::string& name) const
    {
        for (const Unit& unit : units)
            if (unit.name == name)
                return &unit;
        return nullptr;
    }
};

namespace {

class ManagerObject : public QDBusVirtualObject
{
public:
    explicit ManagerObject(std::shared_ptr<FakeSystemd::State> state) : m_state(std::move(state)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override
    {
        std::lock_guard lock(m_state->mutex);
        QDBusMessage reply;
        if (call.path() == kPath && call.interface() == kManager)
            reply = manager(call, connection);
        else if (call.interface() == kProperties && call.member() == QLatin1String("Get"))
            reply = property(call);
        else
            reply = call.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("Not played by the fake."));
        connection.send(reply);
        return true;
    }

private:
    using StopJobs = FakeSystemd::StopJobs;
    using Unit = FakeSystemd::Unit;

    QDBusMessage manager(const QDBusMessage& call, const QDBusConnection& connection)
    {
        const std::string member = call.member().toStdString();
        const QVariantList arguments = call.arguments();
        m_state->calls.push_back(member + "(" + render(arguments) + ")");
        if (m_state->refused.count(member))
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                         QStringLiteral("Refused by the test."));
        const QString signature = call.signature();

        if ((member == "ListUnitFilesByPatterns" && signature == QLatin1String("asas")) ||
            (member == "ListUnitFiles" && signature.isEmpty())) {
            const QStringList states = arguments.isEmpty() ? QStringList() : arguments.at(0).toStringList();
            const QStringList patterns = arguments.isEmpty() ? QStringList() : arguments.at(1).toStringList();
            QList<UnitFileEntry> entries;
            for (const Unit& unit : m_state->units) {
                if (unit.fileState.empty() ||
                    (!states.isEmpty() && !states.contains(QString::fromStdString(unit.fileState))))
                    continue;
                const bool matches =
                    patterns.isEmpty() || std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) {
                        return ::fnmatch(p.toStdString().c_str(), unit.name.c_str(), FNM_NOESCAPE) == 0;
                    });
                if (matches)
                    entries.append({QString::fromStdString(unit.filePath.empty() ? "/etc/systemd/user/" + unit.name
                                                                                 : unit.filePath),
                                    QString::fromStdString(unit.fileState)});
            }
            return call.createReply(QVariant::fromValue(entries));
        }
        if ((member == "LoadUnit" || member == "GetUnit") && signature == QLatin1String("s")) {
            const std::string name = arguments.at(0).toString().toStdString();
            // Like systemd, loading a name it has no file for still makes a unit: "not-found".
            if (member == "GetUnit" && !m_state->find(name))
                return call.createErrorReply(QStringLiteral("org.freedesktop.systemd1.NoSuchUnit"),
                                             QStringLiteral("Unit %1 not loaded.").arg(arguments.at(0).toString()));
            const QString path = objectPathOf(name);
            m_state->loaded[path] = name;
            return call.createReply(QVariant::fromValue(QDBusObjectPath(path)));
        }
        if (member == "DisableUnitFiles" && signature == QLatin1String("asb")) {
            // Runtime links and persistent ones are taken away by separate calls.
            const bool runtime = arguments.at(1).toBool();
            const QStringList names = arguments.at(0).toStringList();
            QList<FileChange> changes;
            for (Unit& unit : m_state->units) {
                if (!names.contains(QString::fromStdString(unit.name)) || unit.enabledForEveryone ||
                    unit.fileState != (runtime ? "enabled-runtime" : "enabled"))
                    continue;
                changes.append(
                    {QStringLiteral("unlink"),
                     QString::fromStdString((runtime ? "/run/user/1000/systemd/user/default.target.wants/"
                                                     : "/home/u/.config/systemd/user/default.target.wants/") +
                                            unit.name),
                     QString()});
                unit.fileState = "disabled";
            }
            return call.createReply(QVariant::fromValue(changes));
        }
        if (member == "GetUnitFileState" && signature == QLatin1String("s")) {
            const Unit* unit = m_state->find(arguments.at(0).toString().toStdString());
            if (!unit || unit->fileState.empty())
                return call.createErrorReply(QDBusError::Failed, QStringLiteral("No such file or directory"));
            return call.createReply(QString::fromStdString(unit->fileState));
        }
        if ((member == "Reload" || member == "Subscribe" || member == "Unsubscribe") && signature.isEmpty())
            return call.createReply();
        if (member == "StopUnit" && signature == QLatin1String("ss")) {
            const std::string name = arguments.at(0).toString().toStdString();
            if (!m_state->find(name))
                return call.createErrorReply(QStringLiteral("org.freedesktop.systemd1.NoSuchUnit"),
                                             QStringLiteral("Unit %1 not loaded.").arg(arguments.at(0).toString()));
            const quint32 id = ++m_state->lastJob;
            const QString job = kPath + QStringLiteral("/job/%1").arg(id);
            m_state->jobs[job] = name;
            if (m_state->stopJobs != StopJobs::Never)
                endLater(id, job, m_state->stopJobs, connection);
            return call.createReply(QVariant::fromValue(QDBusObjectPath(job)));
        }
        return call.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("Not played by the fake."));
    }

    // The job ends a moment after its reply has gone out, as a real stop does.
    void endLater(quint32 id, const QString& job, StopJobs how, const QDBusConnection& connection)
    {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, this, [this, timer, id, job, how, connection] {
            timer->deleteLater();
            std::lock_guard lock(m_state->mutex);
            const std::string unit = m_state->jobs[job];
            m_state->jobs.erase(job);
            m_state->activeState[unit] = how == StopJobs::Failed ? "failed" : "inactive";
            if (how == StopJobs::Unseen)
                return;
            QDBusMessage removed = QDBusMessage::createSignal(kPath, kManager, QStringLiteral("JobRemoved"));
            removed << id << QVariant::fromValue(QDBusObjectPath(job)) << QString::fromStdString(unit)
                    << QString::fromLatin1(how == StopJobs::Done ? "done" : "failed");
            connection.send(removed);
        });
        timer->start(20);
    }

    QDBusMessage property(const QDBusMessage& call)
    {
        const QVariantList arguments = call.arguments();
        if (call.signature() != QLatin1String("ss"))
            return call.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Expected (ss)."));
        const QString interface = arguments.at(0).toString();
        const QString name = arguments.at(1).toString();
        const auto unknownObject = [&] {
            return call.createErrorReply(QDBusError::UnknownObject,
                                         QStringLiteral("Unknown object '%1'.").arg(call.path()));
        };
        const auto unknownProperty = [&] {
            return call.createErrorReply(QDBusError::UnknownProperty,
                                         QStringLiteral("Unknown property %1.%2").arg(interface, name));
        };
        const auto value = [&](const QVariant& v) { return call.createReply(QVariant::fromValue(QDBusVariant(v))); };

        if (call.path().startsWith(kPath + QStringLiteral("/job/"))) {
            if (!m_state->jobs.count(call.path()))
                return unknownObject();
            if (interface == QLatin1String("org.freedesktop.systemd1.Job") && name == QLatin1String("State"))
                return value(QStringLiteral("running"));
            return unknownProperty();
        }
        const auto loaded = m_state->loaded.find(call.path());
        if (loaded == m_state->loaded.end())
            return unknownObject();
        const Unit* unit = m_state->find(loaded->second);
        if (interface == QLatin1String("org.freedesktop.systemd1.Unit") && name == QLatin1String("LoadState"))
            return value(QString::fromLatin1(unit ? "loaded" : "not-found"));
        if (!unit)
            return unknownProperty();
        if (interface == QLatin1String("org.freedesktop.systemd1.Unit") && name == QLatin1String("ActiveState")) {
            const auto state = m_state->activeState.find(unit->name);
            return value(QString::fromStdString(state == m_state->activeState.end() ? "active" : state->second));
        }
        if (interface == QLatin1String("org.freedesktop.systemd1.Unit") && name == QLatin1String("Triggers"))
            return value(unit->triggers.empty() ? QStringList() : QStringList{QString::fromStdString(unit->triggers)});
        if ((interface == QLatin1String("org.freedesktop.systemd1.Timer") && endsWith(unit->name, ".timer")) ||
            (interface == QLatin1String("org.freedesktop.systemd1.Path") && endsWith(unit->name, ".path"))) {
            if (name == QLatin1String("Unit"))
                return value(QString::fromStdString(unit->triggers));
        }
        if (interface == QLatin1String("org.freedesktop.systemd1.Service") && endsWith(unit->name, ".service") &&
            name == QLatin1String("ExecStart")) {
            if (unit->garbledExecStart)
                return value(QStringLiteral("/usr/bin/not-a-list"));
            QList<ExecCommand> commands;
            if (!unit->argv.empty() || !unit->execPath.empty()) {
                ExecCommand command;
                command.path = QString::fromStdString(unit->execPath.empty() ? unit->argv.front() : unit->execPath);
                for (const std::string& word : unit->argv)
                    command.argv.append(QString::fromStdString(word));
                command.started = 1700000000000000;
                command.pid = 4242;
                commands.append(command);
                // A second command line, which is not the program.
                command.path = QStringLiteral("/bin/true");
                command.argv = QStringList{command.path};
                commands.append(command);
            }
            return value(QVariant::fromValue(commands));
        }
        return unknownProperty();
    }

    std::shared_ptr<FakeSystemd::State> m_state;
};

} // namespace

struct FakeSystemd::Server
{
    QThread thread;
    ManagerObject* object = nullptr;
    QString connectionName;
    bool ready = false;
};

FakeSystemd::FakeSystemd(const std::string& busAddress)
    : m_state(std::make_shared<State>()), m_server(std::make_unique<Server>())
{
    registerTypes();
    static std::atomic<int> serial{0};
    m_server->connectionName = QStringLiteral("fake-systemd-%1").arg(++serial);
    m_server->object = new ManagerObject(m_state);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(busAddress), m_server->connectionName);
    // Registered while still on this thread: QtDBus gives the object a helper child, which
    // then moves along with it. Calls come only once the name is taken.
    const bool registered =
        bus.isConnected() && bus.registerVirtualObject(kPath, m_server->object, QDBusConnection::SubPath);
    m_server->object->moveToThread(&m_server->thread);
    m_server->thread.start();
    m_server->ready = registered && bus.registerService(kService);
}

FakeSystemd::~FakeSystemd()
{
    {
        QDBusConnection bus(m_server->connectionName);
        bus.unregisterService(kService);
        bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
    }
    // Deleted on its own thread, with the job timers it owns.
    ManagerObject* object = m_server->object;
    QMetaObject::invokeMethod(object, ThreadHandOff::handedOver([object] { delete object; }),
                              Qt::BlockingQueuedConnection);
    m_server->thread.quit();
    m_server->thread.wait();
    QDBusConnection::disconnectFromBus(m_server->connectionName);
}

bool FakeSystemd::ready() const
{
    return m_server->ready;
}

void FakeSystemd::add(Unit unit)
{
    std::lock_guard lock(m_state->mutex);
    m_state->units.push_back(std::move(unit));
}

void FakeSystemd::refuse(const std::string& member)
{
    std::lock_guard lock(m_state->mutex);
    m_state->refused.insert(member);
}

void FakeSystemd::endStopJobs(StopJobs how)
{
    std::lock_guard lock(m_state->mutex);
    m_state->stopJobs = how;
}

std::vector<std::string> FakeSystemd::calls() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->calls;
}

} // namespace corvane::test
