/*
 * A user's crontab as the scheduler layer sees it: the program's task blocks among lines it
 * leaves alone. A block is one marker comment line holding the task's name, creator, comment,
 * application, parameters and carried environment (each value percent-encoded, so any text
 * round-trips), followed by one cron line per trigger whose command is exactly the one those
 * values give. Everything else (other jobs, comments, environment lines, a marker that does
 * not parse, a second block of a name already seen, a cron line whose command differs) is kept
 * byte for byte, and so is every block that is not changed. Owned by one operation of the
 * scheduler at a time; not thread-safe.
 *
 *     # tallyvol-task v1 name=N creator=C comment=T application=A parameters=P env=NAME=VALUE...
 *     30 2 * * * NAME='VALUE' 'A' 'P1' 'P2' ...
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABDOCUMENT_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABDOCUMENT_H

#include "platform/taskscheduler/CronCommand.h"
#include "platform/taskscheduler/CronTrigger.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::taskscheduler {

struct TaskBlock {
    std::string name;
    std::string creator;
    std::string comment;
    std::string application;
    std::string parameters;
    EnvironmentEntries environment;
    std::vector<CronTrigger> triggers;
};

class CrontabDocument {
public:
    static constexpr const char* kMarkerPrefix = "# tallyvol-task ";

    explicit CrontabDocument(const std::string& text);

    // The crontab text: unchanged parts as read, changed and new blocks written afresh.
    std::string Text() const;

    // The well-formed blocks, in file order.
    std::vector<const TaskBlock*> Tasks() const;
    const TaskBlock* Find(const std::string& name) const;
    // The block to change in place (it is written afresh by Text()); null when there is none.
    TaskBlock* FindForChange(const std::string& name);
    // Adds a block at the end. The caller checks it first (CheckBlock) and that its name is free.
    void Append(TaskBlock block);
    // Removes the block's marker and trigger lines; false when there is none.
    bool Remove(const std::string& name);

    // Empty when the block can be written; otherwise why not (a line break, a command cron
    // refuses, an empty name).
    static std::string CheckBlock(const TaskBlock& block);

    // The lines of a block, each ended by "\n".
    static std::string BlockText(const TaskBlock& block);
    static std::string EncodeValue(const std::string& value);
    // Nothing when the text holds a raw control character or a broken "%" escape.
    static std::optional<std::string> DecodeValue(const std::string& text);
    static std::optional<TaskBlock> ParseMarker(const std::string& line);

private:
    struct Item {
        std::string text;               // the lines as read (with their line ends)
        std::optional<TaskBlock> block; // set for a well-formed block
        bool changed = false;
    };
    std::vector<Item> m_items;
};

} // namespace platform::taskscheduler

#endif
