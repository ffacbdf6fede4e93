// The main window's logic without a window: its four records, the current
// printer, and the command flows of start-up, printer selection, reading and
// exit with every question they ask. The window implements the seams below
// and calls these flows from its message handlers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings_record.h"
#include "link/kestrion.h"
#include "panel/model/send_flow.h"
#include "panel/select/port_kind.h"

namespace tamsel {

// --- What the flows need from the platform ----------------------------------

// MessageIcon (information, exclamation, stop) comes with the send sequence,
// whose outcomes name their icons.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Every message box of the program: caption "ソルベナ", the text in UTF-8.
class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    virtual MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) = 0;
};

// The printer the main window works with. Texts are UTF-8.
struct CurrentPrinter {
    std::string printerName;  // empty until a printer is chosen
    std::string destination;  // port name or server name
    PortKind portKind = PortKind::Usb;
    std::array<std::uint8_t, 4> ipAddress{};  // network port only, first dotted octet first
    std::string portText;                     // network port only, decimal
};

// The printer selection dialog as the main window runs it.
struct SelectionRequest {
    int reselect = 0;         // 0 at start-up, 1 afterwards
    std::string printerName;  // current printer, preselected
    std::string destination;
};
struct SelectionOutcome {
    bool confirmed = false;   // IDOK
    int printerCount = 0;
    CurrentPrinter printer;   // meaningful only when confirmed
};

enum class ReadFailChoice { Retry, ShowFactory, EndProgram };

// One loaded link library, released when the session is destroyed.
class LinkSession {
public:
    virtual ~LinkSession() = default;
    virtual std::int32_t GetPrinterParam(const PrinterTarget& target, std::int32_t* param, std::int32_t* adjust,
                                         std::int32_t* address, std::int32_t* sysError) = 0;
};

class LinkSeam {
public:
    virtual ~LinkSeam() = default;
    // Loads the library and resolves the reading operation; nullptr when the
    // library or the export is missing (nothing stays loaded then).
    virtual std::unique_ptr<LinkSession> OpenForReading() = 0;
    // Loads the library and resolves the five operations of a send (both
    // reads and sets, and the restart), all before any is used; nullptr when
    // one of them is missing. The printer link keeps the library loaded until
    // it is destroyed; `target` (and the name it points to) must outlive it.
    virtual std::unique_ptr<PrinterLink> OpenForSending(const PrinterTarget& target) = 0;
};

// --- Settings files -----------------------------------------------------------

enum class FileReadResult {
    Read,        // `got` bytes were read from the start of the file
    CannotOpen,  // the file could not be opened or read
};

enum class FileWriteResult {
    Written,       // the bytes stand at the start of the file
    AccessDenied,  // the file could not be opened because access was denied
    Failed,        // any other failure (another program holds the file, a full disk, ...)
};

// The standard file dialogs and the plain file reads and writes of the two
// file commands. Paths are UTF-8.
class SettingsFileSeam {
public:
    virtual ~SettingsFileSeam() = default;
    // The open and the save-as dialog; the chosen path, or nothing when the
    // user cancelled.
    virtual std::optional<std::string> AskOpenPath() = 0;
    virtual std::optional<std::string> AskSavePath() = 0;
    // Opens an existing file (others may read it) and reads up to `size`
    // bytes from its start.
    virtual FileReadResult ReadStart(const std::string& path, std::uint8_t* buffer, std::size_t size,
                                     std::size_t& got) = 0;
    // Creates the file or opens it without truncating it (others may read
    // it) and writes `size` bytes over its start.
    virtual FileWriteResult WriteStart(const std::string& path, const std::uint8_t* data, std::size_t size) = 0;
};

// A setting page as the records see it.
class RecordPage {
public:
    virtual ~RecordPage() = default;
    virtual void LoadFromRecord(const SettingsRecord& record) = 0;
    virtual void SaveToRecord(SettingsRecord& record) = 0;
};

// The five pages in tab order, and the IP page's port-check member.
struct PanelPages {
    RecordPage* param = nullptr;
    RecordPage* param2 = nullptr;
    RecordPage* set = nullptr;
    RecordPage* ip = nullptr;
    RecordPage* dipsw = nullptr;
    int* portCheck = nullptr;
};

// The main window itself.
class PanelShell {
public:
    virtual ~PanelShell() = default;
    virtual void SelectPage(int page) = 0;
    // Ends the main window's modal run (result IDOK); the program ends then.
    virtual void CloseWindow() = 0;
    // Ends the process at once with the exit code; on Windows it does not
    // return.
    virtual void EndProcess(int exitCode) = 0;
    virtual void ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) = 0;
    virtual void EnablePrinterSelection(bool enable) = 0;
    virtual SelectionOutcome RunPrinterSelection(const SelectionRequest& request) = 0;
    virtual ReadFailChoice RunReadFailDialog() = 0;
    // The send selection dialog: -1 cancelled, 0 parameters, 1 fine
    // adjustment, 2 IP address, 3 everything.
    virtual int RunSendSelection() = 0;
    // The printer name as the link library takes it: system code page.
    virtual std::string ToAnsi(const std::string& utf8) = 0;
    // Commands of the main window that other flows call: 1 = abandoned.
    virtual int SendToPrinter() = 0;
    virtual int SaveSettingsFile() = 0;
};

// --- The link library's target ----------------------------------------------

inline constexpr std::size_t kNameBufferSize = 260;

// PrinterTarget with the name buffer it points into; neither copied nor moved
// so that the pointer stays valid.
struct LinkTarget {
    char nameBuffer[kNameBufferSize] = {};
    PrinterTarget target = {};

    LinkTarget() = default;
    LinkTarget(const LinkTarget&) = delete;
    LinkTarget& operator=(const LinkTarget&) = delete;
};

// The integer value of a port text: its leading decimal digits, 0 when there
// are none.
std::uint32_t PortNumber(std::string_view portText);

// Fills the target from the current printer: network ports by address and
// port, every other port by the ANSI printer name in the 260-byte buffer. A
// name of 260 bytes or more is cut to 259 so that the buffer stays
// terminated.
void FillTarget(const CurrentPrinter& printer, std::string_view ansiName, LinkTarget& out);

// --- Texts ---------------------------------------------------------------------

namespace texts {
inline constexpr std::string_view kCaption = "ソルベナ";
inline constexpr std::string_view kNoRights = "使用する権限がありません。管理者の権限で実行してください。";
inline constexpr std::string_view kDllOpenFailed = "DLLのオープンに失敗しました。";
inline constexpr std::string_view kReadConfirm =
    "プリンタ設定値を読み込みます。\n設定値が変更されている場合は破棄されます。";
inline constexpr std::string_view kEnding = "ソルベナを終了します。";
inline constexpr std::string_view kShowingFactory = "工場出荷設定値を表示します。";
inline constexpr std::string_view kReadDone = "プリンタから設定値を読み込みました。";
inline constexpr std::string_view kChangeSendFirst =
    "設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？";
inline constexpr std::string_view kChangeSaveFirst =
    "設定値が変更されています。\nプリンタを切り替える前に、設定ファイルへ保存しますか？";
inline constexpr std::string_view kExitSendFirst = "ソルベナを終了する前に、設定値をプリンタへ送信しますか？";
inline constexpr std::string_view kExitSaveFirst = "ソルベナを終了する前に、設定ファイルへ保存しますか？";
inline constexpr std::string_view kNoPrinter = "プリンタが選択されていません。\nプリンタを選択してください。";
inline constexpr std::string_view kAddressWillChange =
    "IPアドレスが変更されます。\n設定値を送信してもよろしいですか？";
inline constexpr std::string_view kFactoryConfirm = "現在の設定値は破棄されます、\n工場出荷設定値に変更しますか？";
inline constexpr std::string_view kFactoryShown = "工場出荷設定値を表示しました。";
inline constexpr std::string_view kDiscardChanges =
    "設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。";
inline constexpr std::string_view kNotSettingsFile = "このファイルは設定ファイルではありません。";
// A file that cannot be opened or read: nothing is loaded. (The program's
// own words, in the form of the write failure below.)
inline constexpr std::string_view kFileReadFailed = "設定ファイルの読み込みに失敗しました。";
inline constexpr std::string_view kFileWriteFailed = "設定ファイルの書き込みに失敗しました。";
inline constexpr std::string_view kStatusPrinter = "プリンタ名： ";
inline constexpr std::string_view kStatusDestination = "接続先： ";
}  // namespace texts

// --- The flows -------------------------------------------------------------------

class PanelCore {
public:
    PanelCore(PanelShell& shell, MessageSeam& messages, LinkSeam& link, SettingsFileSeam& files, PanelPages pages);

    // Steps of the main window's initialisation after the windows exist:
    // clears the records, runs the first printer selection (which reads the
    // printer), loads the pages and marks the window initialised.
    void Initialise();

    void SelectPrinter();
    // 1 when the user chose to end the program, else 0.
    int ReadFromPrinter();
    void ExitPanel();
    // 1 when abandoned before anything was sent (port check, send dialog or
    // address question cancelled, library missing), else 0.
    int SendToPrinter();
    void ShowFactorySettings();
    void OpenSettingsFile();
    // 0 when the record was written; 1 when nothing was: the port check
    // refused it, the dialog was cancelled or the file could not be written.
    // The exit and printer-change questions stop on 1, so changes the user
    // asked to keep are never dropped by a save that did not happen.
    int SaveSettingsFile();

    void LoadPages(const SettingsRecord& record);
    void StorePages(SettingsRecord& record);

    bool ChangedAgainstPrinter() const { return !SameImage(currentRecord, printerBaseline); }
    bool ChangedAgainstFile() const { return !SameImage(currentRecord, fileBaseline); }

    // True once the window was closed or the process told to end; the flows
    // stop there.
    bool Finished() const { return finished; }

    SettingsRecord currentRecord = SettingsRecord::Zero();
    SettingsRecord fileBaseline = SettingsRecord::Zero();
    SettingsRecord printerBaseline = SettingsRecord::Zero();
    SettingsRecord workRecord = SettingsRecord::Zero();
    CurrentPrinter printer;
    int initialised = 0;

private:
    void Close();
    void EndProcess(int exitCode);
    // StorePages with the IP page's port check; false when the port was
    // refused (the page has shown its message).
    bool StorePagesCheckingPort();

    PanelShell& shell;
    MessageSeam& messages;
    LinkSeam& link;
    SettingsFileSeam& files;
    PanelPages pages;
    bool finished = false;
};

}  // namespace tamsel
