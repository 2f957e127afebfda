#include "choosers/ListCounts.h"

#include "app/UnreadCounts.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QComboBox>

namespace {

// Where an item keeps its text without the count.
constexpr int PlainTextRole = Qt::UserRole + 24;

void mark(QComboBox* list, int index, std::string (*tableOf)(std::int32_t), const UnreadCounts* counts) {
    QVariant plain = list->itemData(index, PlainTextRole);
    if (!plain.isValid()) {
        plain = list->itemText(index);
        list->setItemData(index, plain, PlainTextRole);
    }
    const std::int32_t number = ToIntOrZero(BeforeColon(Codec::fromQString(plain.toString())));
    const int count = number > 0 ? counts->Count(tableOf(number)) : 0;
    const QString text = count > 0 ? plain.toString() + ListCounts::CountSuffix(count) : plain.toString();
    if (list->itemText(index) != text)
        list->setItemText(index, text);
}

} // namespace

namespace ListCounts {

QString CountSuffix(int count) {
    return Codec::toQString(Codec::sj("　（未読") + std::to_string(count) + Codec::sj("）"));
}

void Attach(QComboBox* list, std::string (*tableOf)(std::int32_t), UnreadCounts* counts) {
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [list, tableOf, counts](const QModelIndex&, int first, int last) {
                         for (int i = first; i <= last; ++i)
                             mark(list, i, tableOf, counts);
                     });
    QObject::connect(counts, &UnreadCounts::Changed, list, [list, tableOf, counts] {
        for (int i = 0; i < list->count(); ++i)
            mark(list, i, tableOf, counts);
    });
}

} // namespace ListCounts
