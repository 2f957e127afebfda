#include "app/ReadFailureText.h"

#include "text/Codec.h"

std::string ReadFailureMessage(const char* what, DbFailure failure) {
    switch (failure) {
    case DbFailure::ConnectionLost:
        return Codec::sj(what) + Codec::sj("を読み込めませんでした。サーバーに接続出来ません。サーバーとネッ"
                                           "トワークを確認して下さい。");
    case DbFailure::NoPermission:
        return Codec::sj(what) +
               Codec::sj("の読み込みをデータベースに拒否されました。DBユーザーの権限を確認して下さい。");
    case DbFailure::Other:
        break;
    }
    return Codec::sj(what) + Codec::sj("を読み込めませんでした。データベースを確認して下さい。");
}

std::string ReadFailureReason(DbFailure failure) {
    switch (failure) {
    case DbFailure::ConnectionLost:
        return Codec::sj("サーバーに接続出来ません");
    case DbFailure::NoPermission:
        return Codec::sj("読み込みを拒否されました");
    case DbFailure::Other:
        break;
    }
    return Codec::sj("データベースのエラーです");
}
