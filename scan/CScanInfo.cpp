#include "scan/CScanInfo.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"

namespace scan {

using platform::ado::Connection;

CScanInfo::CScanInfo()
    : m_upgrade(m_connections, m_sink), m_opener(m_connections, m_upgrade),
      m_directories(m_connections, m_sink, m_parents), m_writer(m_sink),
      m_filters(m_connections, m_directories), m_loader(m_connections, m_parents),
      m_removal(m_connections),
      m_scanner({m_connections, m_directories, m_parents, m_writer, m_filters, m_sink}) {
    TV_DEBUG_LOG("CScanInfo Constructor");
}

CScanInfo::~CScanInfo() {
    TV_DEBUG_LOG("CScanInfo Destructor");
}

ScanStoreSql CScanInfo::Sql() const {
    return ScanStoreSql(app::CurrentDBSource());
}

std::shared_ptr<Connection> CScanInfo::GetConnection(bool fresh) {
    return m_connections.Get(fresh);
}

void CScanInfo::ResetConnections() {
    m_connections.Reset();
}

std::size_t CScanInfo::CachedConnectionCount() {
    return m_connections.Count();
}

bool CScanInfo::OpenDatabase(bool firstRun) {
    return m_opener.OpenDatabase(firstRun);
}

void CScanInfo::UpgradeSchema() {
    m_upgrade.Run();
}

std::int64_t CScanInfo::Scan(const std::string& path, bool quiet, int scanType, bool loopCheck) {
    return m_scanner.Scan(path, quiet, scanType, loopCheck);
}

int CScanInfo::GetDirID(std::shared_ptr<Connection> connection, const std::string& path,
                        int parentDirID, const DirIDOptions& options) {
    return m_directories.GetDirID(std::move(connection), path, parentDirID, options);
}

void CScanInfo::FixParents(std::shared_ptr<Connection> connection) {
    m_parents.Run(connection, m_directories.ScanRoot());
}

int CScanInfo::NewScanID(std::shared_ptr<Connection> connection, int rootDirID, int scanType) {
    return m_writer.NewScanID(connection, rootDirID, scanType);
}

void CScanInfo::SaveExtensionInfo(std::shared_ptr<Connection> connection,
                                  const ExtensionMap& extensions, int scanID) {
    m_writer.SaveExtensionInfo(connection, extensions, scanID);
}

bool CScanInfo::LoadScans(const std::string& path, int view, DisplayData& table, int maxScans) {
    return m_loader.LoadScans(path, view, table, maxScans, m_directories.ScanRoot());
}

std::string CScanInfo::GetPathFromDirID(std::shared_ptr<Connection> connection,
                                        std::uint32_t dirID) {
    return m_loader.GetPathFromDirID(std::move(connection), dirID);
}

std::string CScanInfo::GetPathFromScanID(std::uint32_t scanID) {
    return m_loader.GetPathFromScanID(scanID);
}

void CScanInfo::DeleteScan(std::uint32_t scanID) {
    m_removal.DeleteScan(scanID);
}

void CScanInfo::DeleteOldScans(int days, int scanType) {
    m_removal.DeleteOldScans(days, scanType);
}

std::string CScanInfo::GetFilters(std::shared_ptr<Connection> connection, const std::string& path) {
    return m_filters.GetFilters(std::move(connection), path);
}

void CScanInfo::SetFilters(std::shared_ptr<Connection> connection, const std::string& path,
                           const std::string& text) {
    m_filters.SetFilters(std::move(connection), path, text);
}

} // namespace scan
