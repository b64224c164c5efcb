#include "app/check_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "anim/level_check.h"

namespace kelanim {

namespace {

QString text_of(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString text_of(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

TCheckDialog::TCheckDialog(const Ttrlevel& level, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Check Animations"));
    resize(860, 420);
    const std::vector<check_finding> found = check_level(level);

    auto* summary = new QLabel(found.empty() ? QStringLiteral("No problems found.")
                                             : QStringLiteral("%1 problem(s) found.").arg(found.size()),
                               this);
    const int listed = int(std::min(found.size(), findings_listed));
    if (listed < int(found.size()))
        summary->setText(summary->text() + QStringLiteral(" The first %1 are listed.").arg(listed));
    findings_ = new QTableWidget(listed, 3, this);
    findings_->setHorizontalHeaderLabels({QStringLiteral("Where"), QStringLiteral("Problem"), QStringLiteral("Details")});
    findings_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    findings_->setSelectionBehavior(QAbstractItemView::SelectRows);
    findings_->verticalHeader()->setVisible(false);
    findings_->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < listed; ++row) {
        const check_finding& f = found[std::size_t(row)];
        findings_->setItem(row, 0, new QTableWidgetItem(text_of(finding_place(f))));
        findings_->setItem(row, 1, new QTableWidgetItem(text_of(problem_id(f.problem))));
        findings_->setItem(row, 2, new QTableWidgetItem(text_of(f.message)));
    }
    findings_->resizeColumnToContents(0);
    findings_->resizeColumnToContents(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(findings_);
    layout->addWidget(buttons);
}

}  // namespace kelanim
