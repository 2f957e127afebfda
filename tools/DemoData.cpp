#include "DemoData.h"

#include "db/UnitSchema.h"

const std::vector<DemoMember>& DemoMembers() {
    static const std::vector<DemoMember> members = {{"1", "山田太郎", "yamada"},
                                                    {"2", "佐藤花子", "sato"},
                                                    {"3", "鈴木一郎", "suzuki"},
                                                    {"4", "Tanaka", "tanaka"}};
    return members;
}

const std::vector<DemoGroup>& DemoGroups() {
    static const std::vector<DemoGroup> groups = {
        {"open", "1", false, "20240401", "", "営業会議", "毎週月曜の営業会議の連絡", {"1", "2"}},
        {"open",
         "2",
         true,
         "20230901",
         "20231031",
         "社員旅行2023",
         "秋の社員旅行の準備（終了）",
         {"1", "2", "3", "4"}},
        {"closed", "1", false, "20240515", "", "新製品企画", "新製品の企画検討（関係者のみ）", {"1", "3"}},
        {"closed", "2", true, "20231101", "20240331", "予算検討", "来期予算の検討（終了）", {"1", "2"}},
    };
    return groups;
}

std::vector<DemoLine> DemoLines() {
    std::vector<DemoLine> lines = {
        {AlMemoTable(), 1, "全メンバーめもへようこそ。連絡はここに書いて下さい。"},
        {AlMemoTable(), 2, "来週の会議は水曜日の10時からです。"},
        {AlMemoTable(), 3, "コピー機のトナーを交換しました。"},
        {AlMemoTable(), 4, "meeting room B is booked on friday afternoon"},
        {AlMemoTable(), 1, "かいぎしつの鍵は受付にあります。"},
        {AlMemoTable(), 2, "カイギシツの予約は前日までにお願いします。"},
        {AlMemoTable(), 3, "ｶﾀｶﾅ半角の行も検索できます。"},
        {AlMemoTable(), 4, "please check the new wifi password at the front desk"},
    };
    static const char* const kNotices[] = {
        "お知らせ：月末の締め処理をお願いします。", "お客様から電話がありました。折り返して下さい。",
        "出張予定は共有カレンダーに入れて下さい。", "備品の注文は金曜日までです。",
        "office supplies arrive on monday",         "掃除当番表を更新しました。",
    };
    // Enough lines in the all-members pad for several pages at 5 lines a page.
    for (int i = 0; i < 22; ++i)
        lines.push_back({AlMemoTable(), i % 4 + 1, kNotices[i % 6]});
    lines.insert(lines.end(), {
                                  {MyMemoTable(1), 1, "山田のメモ：見積書を明日までに作成する。"},
                                  {MyMemoTable(1), 1, "すずきさんに資料を送る。"},
                                  {MyMemoTable(1), 1, "call the printer company about the contract"},
                                  {MyMemoTable(1), 1, "ミーティングの議事録をまとめる。"},
                                  {OgMemoTable(1), 1, "今週の営業会議の議題をここに書きます。"},
                                  {OgMemoTable(1), 2, "新規のおきゃくさま訪問の報告。"},
                                  {OgMemoTable(1), 1, "オキャクサマ一覧を更新しました。"},
                                  {OgMemoTable(1), 2, "sales report for april is ready"},
                              });
    return lines;
}
