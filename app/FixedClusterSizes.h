/*
 * The cluster-size overrides the preferences keep: the machine key FixedClusterSizes holds one
 * string value per directory, named by its path, whose data is the cluster size in decimal. The
 * list is kept and shown only; the scanner counts in 4096-byte units whatever it says.
 *
 * The window edits the overrides as lines "<path>\t<size>". Each call reads or writes the
 * machine hive; any thread.
 */
#ifndef TALLYVOL_APP_FIXEDCLUSTERSIZES_H
#define TALLYVOL_APP_FIXEDCLUSTERSIZES_H

#include <string>
#include <vector>

namespace app {

class FixedClusterSizes {
public:
    static constexpr std::size_t kMaxPathLength = 2048;
    static constexpr unsigned kMinSize = 1;
    static constexpr unsigned kMaxSize = 99999999;

    // One line per stored value with a name of 1 to 2048 bytes, in stored order: the path, a
    // tab, the data's leading integer.
    static std::vector<std::string> ReadLines();

    // Replaces the whole key with one value per line, in one write of the hive: the path is the
    // text before the line's last tab, the size the leading digits after it. A line whose path is
    // empty, longer than 2048 bytes or holds a control character cannot be stored and is left
    // out. False when the hive could not be written (the stored key is then unchanged).
    static bool ReplaceWithLines(const std::vector<std::string>& lines);

    // "<path>\t<size>"
    static std::string Line(const std::string& path, unsigned size);
};

} // namespace app

#endif
