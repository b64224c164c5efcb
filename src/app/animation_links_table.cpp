#include "app/animation_links_table.h"

#include <QHeaderView>
#include <QStringList>

#include "anim/state_changes.h"

namespace kelanim {

namespace {

enum column { column_what, column_frames, column_result, column_count };

QString frames_text(int low, int high) { return low == high ? QString::number(low) : QStringLiteral("%1 - %2").arg(low).arg(high); }

QString command_frames(const tanim_command& command)
{
    // Codes 1 to 4 act when the animation ends.
    return command.frame >= 0 ? QString::number(command.frame) : QStringLiteral("end");
}

QString command_result(const tanim_command& command)
{
    const auto& a = command.arguments;
    QString text;
    switch (anim_command_code(command.code)) {
    case anim_command_code::set_position:
        text = QStringLiteral("x %1, y %2, z %3").arg(a[0]).arg(a[1]).arg(a[2]);
        break;
    case anim_command_code::jump_velocity:
        text = QStringLiteral("vertical %1, horizontal %2").arg(a[0]).arg(a[1]);
        break;
    case anim_command_code::play_sound: text = QStringLiteral("sound %1").arg(a[0]); break;
    case anim_command_code::flip_effect: text = QStringLiteral("effect %1").arg(a[0]); break;
    default: break;
    }
    const std::string_view condition = condition_name(command.condition);
    if (!condition.empty())
        text += QStringLiteral(", ") + QString::fromLatin1(condition.data(), qsizetype(condition.size()));
    return text;
}

}  // namespace

TAnimationLinksTable::TAnimationLinksTable(QWidget* parent) : QTableWidget(0, column_count, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("State / Command"), QStringLiteral("Frames"),
                               QStringLiteral("Goes To / Arguments")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(column_what, 150);
    setColumnWidth(column_frames, 90);
}

void TAnimationLinksTable::show_animation(const Ttrlevel& level, std::int64_t k)
{
    setRowCount(0);
    auto add_row = [this](const QString& what, const QString& frames, const QString& result) {
        const int row = rowCount();
        insertRow(row);
        setItem(row, column_what, new QTableWidgetItem(what));
        setItem(row, column_frames, new QTableWidgetItem(frames));
        setItem(row, column_result, new QTableWidgetItem(result));
    };

    const tstate_change_list changes = state_changes_of(level, k);
    for (const tstate_change_entry& change : changes.entries)
        for (const tdispatch_range& r : change.ranges)
            add_row(QStringLiteral("State %1").arg(change.state_id), frames_text(r.low, r.high),
                    QStringLiteral("animation %1, frame %2").arg(r.next_animation).arg(r.next_frame));
    if (changes.cut_short)
        add_row(QStringLiteral("(state changes run past the records)"), QString(), QString());

    const tanim_command_list commands = anim_commands_of(level, k);
    for (const tanim_command& command : commands.commands) {
        const std::string_view name = anim_command_name(command.code);
        add_row(QString::fromLatin1(name.data(), qsizetype(name.size())), command_frames(command),
                command_result(command));
    }
    if (commands.cut_short) add_row(QStringLiteral("(commands run past their block)"), QString(), QString());
    if (commands.unknown_code >= 0)
        add_row(QStringLiteral("(unknown command %1)").arg(commands.unknown_code), QString(), QString());
}

}  // namespace kelanim
