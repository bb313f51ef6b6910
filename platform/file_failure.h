#pragma once

#include <string_view>

namespace psa {

// Why the system refused a file operation, as both file systems tell it to the user. Each front end maps its
// own error numbers onto these; `Other` is an error the program has no words of its own for.
enum class FileFailure {
    Other,
    DiskFull,
    FileSizeLimit,
    DiskQuota,
    AccessDenied,
    ReadOnly,
    NameTooLong,
    DeviceError,
    NotFound,
    NotAFolderOnTheWay,
    FolderInTheWay,
    LinkLoop,
    Busy,
    LockedByAnotherProgram,
    UsedByAnotherProgram,
    OutOfMemory,
    TooManyOpenFiles,
    StaleNetworkFile,
    TimedOut,
    NoDevice,
    NotSupported,
    TooLarge,
};

// The sentence that tells the user why, in Japanese; empty for `Other`, which the front end words itself
// with the error number or the system's text.
[[nodiscard]] constexpr std::u16string_view failureReason(FileFailure failure)
{
    switch (failure) {
    case FileFailure::Other:
        break;
    case FileFailure::DiskFull:
        return u"ディスクの空き容量が足りません。";
    case FileFailure::FileSizeLimit:
        return u"ファイルの大きさの上限を超えました。";
    case FileFailure::DiskQuota:
        return u"ディスクの使用量の上限を超えました。";
    case FileFailure::AccessDenied:
        return u"アクセスする権限がありません。";
    case FileFailure::ReadOnly:
        return u"読み取り専用の場所です。";
    case FileFailure::NameTooLong:
        return u"ファイル名が長すぎます。";
    case FileFailure::DeviceError:
        return u"装置の入出力エラーが発生しました。";
    case FileFailure::NotFound:
        return u"ファイルまたはフォルダーが見つかりません。";
    case FileFailure::NotAFolderOnTheWay:
        return u"途中にフォルダーではないものがあります。";
    case FileFailure::FolderInTheWay:
        return u"同じ名前のフォルダーがあります。";
    case FileFailure::LinkLoop:
        return u"シンボリックリンクが多すぎるか、循環しています。";
    case FileFailure::Busy:
        return u"ファイルが使用中です。";
    case FileFailure::LockedByAnotherProgram:
        return u"ファイルがほかのプログラムにロックされています。";
    case FileFailure::UsedByAnotherProgram:
        return u"ほかのプログラムがファイルを使っています。";
    case FileFailure::OutOfMemory:
        return u"メモリーが足りません。";
    case FileFailure::TooManyOpenFiles:
        return u"開いているファイルが多すぎます。";
    case FileFailure::StaleNetworkFile:
        return u"ネットワーク上のファイルが無効になりました。";
    case FileFailure::TimedOut:
        return u"応答がないまま時間切れになりました。";
    case FileFailure::NoDevice:
        return u"装置が見つかりません。";
    case FileFailure::NotSupported:
        return u"ファイルシステムがこの操作に対応していません。";
    case FileFailure::TooLarge:
        return u"ファイルが大きすぎます。";
    }
    return {};
}

} // namespace psa
