// Recording stand-ins for the selection's seams.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "panel/select/printer_selection.h"
#include "panel/select/select_seams.h"

namespace tamsel::testing {

struct Notice {
    std::string text;
    NoticeIcon icon;
    bool operator==(const Notice&) const = default;
};

class RecordingNotices final : public Notices {
public:
    void Show(const std::string& text, NoticeIcon icon) override { shown.push_back({text, icon}); }
    std::vector<Notice> shown;
};

class RecordingExit final : public ProcessExit {
public:
    void Exit(int code) override { codes.push_back(code); }
    std::vector<int> codes;
};

class FakeSpooler final : public PrinterEnumeration {
public:
    bool IsNtPlatform() override { return nt; }
    std::vector<PrinterBrief> LocalAndConnections() override { return briefs; }
    std::vector<PrinterDetail> PrintersOf(const std::string& serverName) override {
        asked.push_back(serverName);
        auto found = servers.find(serverName);
        return found == servers.end() ? std::vector<PrinterDetail>{} : found->second;
    }
    std::vector<PrinterDetail> LocalPrinters() override { return local; }
    bool OpensForUse(const std::string& printerName) override {
        opened.push_back(printerName);
        return !closed.count(printerName);
    }
    std::vector<PortDetail> Ports() override {
        ++portEnumerations;
        return ports;
    }

    bool nt = true;
    std::vector<PrinterBrief> briefs;
    std::map<std::string, std::vector<PrinterDetail>> servers;  // "" = the local machine
    std::vector<PrinterDetail> local;
    std::set<std::string> closed;  // printers that do not open
    std::vector<PortDetail> ports;

    std::vector<std::string> asked;
    std::vector<std::string> opened;
    int portEnumerations = 0;
};

// A list that keeps its rows sorted by printer name, as the list control does.
class FakeView final : public SelectionView {
public:
    void ClearRows() override {
        rows.clear();
        selected = -1;
    }
    void AddRow(const PrinterRow& row) override {
        auto at = std::upper_bound(rows.begin(), rows.end(), row, [](const PrinterRow& a, const PrinterRow& b) {
            return a.printerName < b.printerName;
        });
        rows.insert(at, row);
    }
    int RowCount() override { return static_cast<int>(rows.size()); }
    std::string RowText(int row, int column) override {
        return column == 0 ? rows.at(row).printerName : rows.at(row).destination;
    }
    int SelectedRow() override { return selected; }
    void SelectRow(int row) override { selected = row; }
    void FocusList() override { ++listFocused; }
    std::optional<NetAddress> AskNetworkAddress() override {
        ++addressAsked;
        return addressAnswer;
    }

    std::vector<PrinterRow> rows;
    int selected = -1;
    int listFocused = 0;
    int addressAsked = 0;
    std::optional<NetAddress> addressAnswer;
};

class MemoryFileStore final : public FileStore {
public:
    std::optional<std::vector<std::uint8_t>> Read(const std::string& name, std::size_t limit) override {
        auto found = files.find(name);
        if (found == files.end()) return std::nullopt;
        std::vector<std::uint8_t> bytes = found->second;
        if (bytes.size() > limit) bytes.resize(limit);
        return bytes;
    }
    bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        ++writes;
        if (failWrites) return false;
        files[name] = bytes;
        return true;
    }

    std::map<std::string, std::vector<std::uint8_t>> files;
    bool failWrites = false;
    int writes = 0;
};

}  // namespace tamsel::testing
