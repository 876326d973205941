// File: util/error_text.cpp
#include "util/error_text.h"

#include <cerrno>

namespace quillmax::util {

std::string ErrorReasonText(int e) {
    switch (e) {
#ifdef EDQUOT
    case EDQUOT:
#endif
    case ENOSPC: return "ディスクがいっぱいです";
    case EACCES:
    case EPERM: return "書き込みが許可されていません";
    case EROFS: return "読み取り専用の場所です";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case ENOENT:
    case ENOTDIR: return "保存先のフォルダがありません";
    case EEXIST: return "同じ名前のファイルがあります";
    case EISDIR: return "同じ名前のフォルダがあります";
    case EFBIG: return "ファイルが大きすぎます";
    case EIO: return "入出力エラーが発生しました";
    case ENOMEM: return "メモリが足りません";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
#ifdef ETXTBSY
    case ETXTBSY:
#endif
    case EBUSY: return "ファイルが使用中です";
    default: return "書き込みに失敗しました";
    }
}

} // namespace quillmax::util
