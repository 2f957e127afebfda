#include "app/ShowChecks.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "platform/Platform.h"
#include "text/Codec.h"

bool ConnectOnShow(QWidget* window, bool (*memberTest)(), bool keepOpenConnection) {
    if (!Settings::DatabaseConfigured()) {
        Platform::showMessage(window, Codec::sj("最初にデータベースの設定を行って下さい。"));
        return false;
    }
    if (!memberTest()) {
        Platform::showMessage(window, Codec::sj("最初に使用者登録を行って下さい。"));
        return false;
    }
    TFormFBDB& db = *forms().FormFBDB;
    if (keepOpenConnection && db.IsConnected())
        return true;
    if (!Settings::ConnectCurrent(db)) {
        db.Disconnect();
        Platform::showMessage(window,
                              Codec::sj("データベース接続エラーです。データベースの設定を確認して下さい。"));
        Settings::DatabaseLocation.clear();
        return false;
    }
    return true;
}
