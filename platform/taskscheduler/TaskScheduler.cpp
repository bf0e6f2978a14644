#include "platform/taskscheduler/TaskScheduler.h"

#include "platform/system/StringPrintf.h"
#include "platform/taskscheduler/CrontabAccess.h"
#include "platform/taskscheduler/CrontabLock.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace platform::taskscheduler {

using platform::system::StringPrintf;

namespace {

// Long enough for any other writer's read-modify-write (two runs of crontab).
constexpr int kLockMilliseconds = 20000;
constexpr int kLastNumberedName = 999;

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

AlertTask toAlertTask(const TaskBlock& block) {
    return AlertTask{block.name,       block.comment,  block.creator,    block.application,
                     block.parameters, block.triggers, block.environment};
}

} // namespace

TaskScheduler::TaskScheduler(std::string runAsUser) : m_runAsUser(std::move(runAsUser)) {}

HRESULT TaskScheduler::fail(HRESULT result, std::string text) {
    m_lastError = std::move(text);
    return result;
}

HRESULT TaskScheduler::guarded(const std::function<HRESULT()>& operation) {
    try {
        return operation();
    } catch (const std::exception& error) {
        return fail(E_FAIL, error.what());
    } catch (...) {
        return fail(E_FAIL, SystemMessage(E_FAIL));
    }
}

HRESULT TaskScheduler::prepare() {
    m_lastError.clear();
    m_crontabUser.clear();
    m_uid = static_cast<unsigned>(::geteuid());
    if (m_runAsUser.empty()) {
        return S_OK;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(m_runAsUser.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return fail(E_NONEMAPPED,
                    StringPrintf("There is no user account named %s.", m_runAsUser.c_str()));
    }
    if (found->pw_uid == ::geteuid()) {
        return S_OK;
    }
    if (::geteuid() != 0) {
        return fail(E_ACCESSDENIED, "Only root can schedule alerts in another user's crontab.");
    }
    m_uid = static_cast<unsigned>(found->pw_uid);
    m_crontabUser = m_runAsUser;
    return S_OK;
}

HRESULT TaskScheduler::read(CrontabDocument* document) {
    std::string text;
    std::string problem;
    HRESULT result = CrontabAccess(m_crontabUser).Read(&text, &problem);
    if (Failed(result)) {
        return fail(result, problem);
    }
    *document = CrontabDocument(text);
    return S_OK;
}

HRESULT TaskScheduler::change(const std::function<HRESULT(CrontabDocument&)>& edit) {
    HRESULT result = prepare();
    if (Failed(result)) {
        return result;
    }
    CrontabLock lock;
    std::string problem;
    result = lock.Acquire(static_cast<uid_t>(m_uid), kLockMilliseconds, &problem);
    if (Failed(result)) {
        return fail(result, problem);
    }
    CrontabDocument document{std::string()};
    result = read(&document);
    if (Failed(result)) {
        return result;
    }
    result = edit(document);
    if (Failed(result)) {
        return result;
    }
    result = CrontabAccess(m_crontabUser).Write(document.Text(), &problem);
    return Failed(result) ? fail(result, problem) : S_OK;
}

HRESULT TaskScheduler::readTask(const std::string& name, TaskBlock* block) {
    HRESULT result = prepare();
    if (Failed(result)) {
        return result;
    }
    CrontabDocument document{std::string()};
    result = read(&document);
    if (Failed(result)) {
        return result;
    }
    const TaskBlock* found = document.Find(name);
    if (found == nullptr) {
        return fail(E_FILENOTFOUND, StringPrintf("There is no task named %s.", name.c_str()));
    }
    *block = *found;
    return S_OK;
}

HRESULT TaskScheduler::ListAlertTasks(const std::string& creator, std::vector<AlertTask>* tasks) {
    return guarded([&]() -> HRESULT {
        tasks->clear();
        HRESULT result = prepare();
        if (Failed(result)) {
            return result;
        }
        CrontabDocument document{std::string()};
        result = read(&document);
        if (Failed(result)) {
            return result;
        }
        for (const TaskBlock* block : document.Tasks()) {
            if (equalsIgnoreCase(block->creator, creator)) {
                tasks->push_back(toAlertTask(*block));
            }
        }
        return S_OK;
    });
}

HRESULT TaskScheduler::CreateAlertTask(const std::string& creator, const std::string& name,
                                       const std::string& application,
                                       const std::string& parameters, const std::string& comment,
                                       std::string* createdName,
                                       const std::vector<CronTrigger>& triggers) {
    return guarded([&]() -> HRESULT {
        TaskBlock block{name,    creator, comment, application, parameters, CarriedEnvironment(),
                        triggers};
        std::string problem = CrontabDocument::CheckBlock(block);
        if (!problem.empty()) {
            return fail(E_INVALIDARG, problem);
        }
        return change([&](CrontabDocument& document) {
            std::string candidate = name;
            std::size_t dot = name.rfind('.');
            for (int number = 2; document.Find(candidate) != nullptr; ++number) {
                if (dot == std::string::npos || number > kLastNumberedName) {
                    return fail(E_FILEEXISTS,
                                StringPrintf("A task named %s exists already.", name.c_str()));
                }
                candidate = StringPrintf("%s [%d].%s", name.substr(0, dot).c_str(), number,
                                         name.substr(dot + 1).c_str());
            }
            block.name = candidate;
            document.Append(block);
            if (createdName != nullptr) {
                *createdName = candidate;
            }
            return S_OK;
        });
    });
}

HRESULT TaskScheduler::UpdateAlertTask(const std::string& name, const std::string& application,
                                       const std::string& parameters, const std::string& comment) {
    return guarded([&]() -> HRESULT {
        return change([&](CrontabDocument& document) {
            TaskBlock* block = document.FindForChange(name);
            if (block == nullptr) {
                return fail(E_FILENOTFOUND,
                            StringPrintf("There is no task named %s.", name.c_str()));
            }
            TaskBlock updated = *block;
            updated.application = application;
            updated.parameters = parameters;
            updated.comment = comment;
            updated.environment = CarriedEnvironment();
            std::string problem = CrontabDocument::CheckBlock(updated);
            if (!problem.empty()) {
                return fail(E_INVALIDARG, problem);
            }
            *block = std::move(updated);
            return S_OK;
        });
    });
}

HRESULT TaskScheduler::IsScheduled(const std::string& name, bool* scheduled) {
    *scheduled = false;
    return guarded([&]() -> HRESULT {
        TaskBlock block;
        HRESULT result = readTask(name, &block);
        *scheduled = !Failed(result) && !block.triggers.empty();
        return result;
    });
}

HRESULT TaskScheduler::ReadAlertParameters(const std::string& name, std::string* parameters) {
    return guarded([&]() -> HRESULT {
        TaskBlock block;
        HRESULT result = readTask(name, &block);
        *parameters = block.parameters;
        return result;
    });
}

HRESULT TaskScheduler::DeleteAlertTask(const std::string& name) {
    return guarded([&]() -> HRESULT {
        return change([&](CrontabDocument& document) {
            if (!document.Remove(name)) {
                return fail(E_FILENOTFOUND,
                            StringPrintf("There is no task named %s.", name.c_str()));
            }
            return S_OK;
        });
    });
}

HRESULT TaskScheduler::ReadAlertTask(const std::string& name, AlertTask* task) {
    return guarded([&]() -> HRESULT {
        TaskBlock block;
        HRESULT result = readTask(name, &block);
        *task = toAlertTask(block);
        return result;
    });
}

HRESULT TaskScheduler::ReadAlertTriggers(const std::string& name,
                                         std::vector<CronTrigger>* triggers) {
    return guarded([&]() -> HRESULT {
        TaskBlock block;
        HRESULT result = readTask(name, &block);
        *triggers = block.triggers;
        return result;
    });
}

HRESULT TaskScheduler::WriteAlertTriggers(const std::string& name,
                                          const std::vector<CronTrigger>& triggers) {
    return guarded([&]() -> HRESULT {
        return change([&](CrontabDocument& document) {
            TaskBlock* block = document.FindForChange(name);
            if (block == nullptr) {
                return fail(E_FILENOTFOUND,
                            StringPrintf("There is no task named %s.", name.c_str()));
            }
            block->triggers = triggers;
            return S_OK;
        });
    });
}

HRESULT TaskScheduler::MoveAlertTask(const std::string& name, const std::string& account,
                                     const std::vector<CronTrigger>& triggers) {
    return guarded([&]() -> HRESULT {
        HRESULT result = prepare();
        if (Failed(result)) {
            return result;
        }
        TaskScheduler target(account);
        result = target.prepare();
        if (Failed(result)) {
            return fail(result, target.m_lastError);
        }
        if (target.m_uid == m_uid) {
            return WriteAlertTriggers(name, triggers);
        }
        return moveBetweenCrontabs(name, target, triggers);
    });
}

HRESULT TaskScheduler::moveBetweenCrontabs(const std::string& name, TaskScheduler& target,
                                           const std::vector<CronTrigger>& triggers) {
    // Two movers going opposite ways take the locks in the same order.
    CrontabLock first;
    CrontabLock second;
    std::string problem;
    uid_t low = static_cast<uid_t>(std::min(m_uid, target.m_uid));
    uid_t high = static_cast<uid_t>(std::max(m_uid, target.m_uid));
    HRESULT result = first.Acquire(low, kLockMilliseconds, &problem);
    if (!Failed(result)) {
        result = second.Acquire(high, kLockMilliseconds, &problem);
    }
    if (Failed(result)) {
        return fail(result, problem);
    }
    CrontabDocument source{std::string()};
    CrontabDocument destination{std::string()};
    if (Failed(result = read(&source))) {
        return result;
    }
    if (Failed(result = target.read(&destination))) {
        return fail(result, target.m_lastError);
    }
    const TaskBlock* block = source.Find(name);
    if (block == nullptr) {
        return fail(E_FILENOTFOUND, StringPrintf("There is no task named %s.", name.c_str()));
    }
    if (destination.Find(name) != nullptr) {
        return fail(E_FILEEXISTS,
                    StringPrintf("The crontab of the chosen account holds a task named %s already.",
                                 name.c_str()));
    }
    TaskBlock moved = *block;
    moved.triggers = triggers;
    destination.Append(moved);
    CrontabAccess destinationAccess(target.m_crontabUser);
    if (Failed(result = destinationAccess.Write(destination.Text(), &problem))) {
        return fail(result, problem);
    }
    source.Remove(name);
    if (Failed(result = CrontabAccess(m_crontabUser).Write(source.Text(), &problem))) {
        destination.Remove(name);
        std::string ignored;
        destinationAccess.Write(destination.Text(), &ignored);
        return fail(result, problem);
    }
    return S_OK;
}

} // namespace platform::taskscheduler
