// The installer's texts, each written once (UTF-8).
#pragma once

namespace veldra::text {

// Install.
inline constexpr char kNoRights[] =
    "インストール権限がありません。詳しくは、システム管理者にお問い合わせください。";
inline constexpr char kInvalidSetup[] =
    "インストール設定情報ファイルが存在しないか、壊れています。\nインストール元を確認してください。\nインストールを中止します。";
inline constexpr char kIntro[] = "%sのインストールを行います。\nインストール先を指定してください。";
inline constexpr char kBrowseTitle[] = "インストール先のフォルダを選択してください。";
inline constexpr char kDestinationMissing[] = "インストール先を指定してください。";
inline constexpr char kNotEnoughSpace[] =
    "指定されたドライブは、空き容量が不足しているためインストールできません。\nインストールするドライブを変更するか、%dMB以上の空き容量を確保してからやり直してください。";
inline constexpr char kCreateFolderQuestion[] =
    "指定されたフォルダ\n   %s     \nはありません。\nフォルダを作成してもよろしいですか？";
inline constexpr char kStartInstall[] = "ソルベナのインストールを開始します。　　　";
inline constexpr char kInstallTitle[] = "インストール中...";
inline constexpr char kPreparing[] = "準備をしています.....";
inline constexpr char kInstallBegins[] = "インストールを開始します.....";
inline constexpr char kFilesMissing[] = "インストールに必要なファイルがありません。\nインストールを中止します。";
inline constexpr char kInstallingProgram[] = "Veldra.exeをインストールしています.....";
inline constexpr char kInstallingSetup[] = "Veldra.iniをインストールしています.....";
inline constexpr char kInstallingFile[] = "%s をインストールしています.....";
inline constexpr char kRegisteringShortcuts[] = "ショートカットを登録しています.....";
inline constexpr char kRegisteringRegistry[] = "レジストリを登録しています.....";
inline constexpr char kInstallDone[] = "インストールが完了しました.....";
inline constexpr char kInstallComplete[] = "ソルベナのインストールが完了しました。　　";
inline constexpr char kShowHelpQuestion[] = "今すぐに%sのヘルプを表示しますか？";
inline constexpr char kNoProgramsFolder[] =
    "インストールに必要な情報を取得できませんでした。\nインストールを中止します。";
inline constexpr char kSetPathFailed[] = "SetPath failed!";
inline constexpr char kSetDescriptionFailed[] = "SetDescription failed!";
inline constexpr char kSetWorkingFolderFailed[] = "SetWrokingDirectory failed!";
inline constexpr char kSaveFailed[] = "Save failed!";
inline constexpr char kRegistryWriteFailed[] = "レジストリの書き込みに失敗しました。";
// A file of the install could not be copied: the install is not complete.
inline constexpr char kCopyFailed[] =
    "%s をインストールできませんでした。\nインストールは完了していません。\nアンインストールしてから、もう一度インストールしてください。";
inline constexpr char kProgramDescription[] = "%sのプリンタ設定を変更するためのユーティリティです。";

// Uninstall.
inline constexpr char kUninstallInfoMissing[] =
    "アンインストールに必要な情報を取得できませんでした。\nアンインストールを中止します。";
inline constexpr char kUninstallPathMissing[] =
    "アンインストール情報が取得できませんでした。\nアンインストールを中止します。";
inline constexpr char kErrorNumber[] = "エラー番号：%d";
inline constexpr char kStarterErrorCaption[] = "アンインストーラ起動エラー";
inline constexpr char kConfirmTitle[] = "%sのアンインストール";
inline constexpr char kConfirmText1[] = "%sのアンインストールを行います。";
inline constexpr char kConfirmText2[] = "%sをアンインストールしてもよろしいですか？";
inline constexpr char kUninstallCancelled[] = "アンインストールは中止されました。";
inline constexpr char kUninstallTitle[] = "アンインストール中...";
inline constexpr char kUninstallBegins[] = "アンインストールを開始します.....";
inline constexpr char kRemovingShortcuts[] = "ショートカットを削除しています.....";
inline constexpr char kRemovingRegistry[] = "レジストリを削除しています.....";
inline constexpr char kRemovingFile[] = "ファイルを削除しています....";
inline constexpr char kUninstallComplete[] = "アンインストールが完了しました。";
inline constexpr char kKeyMissing[] = "レジストリが存在しないか、壊れています。\nアンインストールを中止します。";
inline constexpr char kKeyUnreadable[] = "レジストリが取得できませんでした。\nアンインストールを中止します。";
inline constexpr char kKeyNotDeleted[] = "レジストリを削除できませんでした。\nアンインストールを中止します。";

}  // namespace veldra::text
