#include "Form2View.h"

#include "Form2.h"
#include "ResultsList.h"

#include <QLabel>
#include <QProgressBar>

#include <limits>

namespace {

// The bar counts in int; a run of more files than that shows a bar that stops short.
int barUnits(qsizetype count)
{
    return static_cast<int>(qMin<qsizetype>(count, std::numeric_limits<int>::max()));
}

} // namespace

void Form2View::show()
{
    Form2::instance()->show();
}

void Form2View::hide()
{
    Form2::instance()->hide();
}

void Form2View::setStatus(const QString &text)
{
    Form2::instance()->Label1->setText(text);
}

void Form2View::showProgressBar()
{
    Form2::instance()->ProgressBar1->setVisible(true);
}

void Form2View::setProgressMaximum(qsizetype maximum)
{
    Form2::instance()->ProgressBar1->setMaximum(barUnits(maximum));
}

void Form2View::setProgressValue(qsizetype value)
{
    Form2::instance()->ProgressBar1->setValue(barUnits(value));
}

void Form2View::clearResults()
{
    Form2::instance()->List1->clear();
}

void Form2View::addChangedFile(const QString &path, qint64 replacements)
{
    Form2::instance()->List1->addFile(path, replacements);
}

void Form2View::setUndoableRun(const QString &journal)
{
    Form2::instance()->List1->setUndoableRun(journal);
}

void Form2View::bringToFront()
{
    Form2 *window = Form2::existing();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

void Form2View::stopped()
{
    Form2 *window = Form2::existing();
    if (window && window->isVisible()) {
        window->Label1->setText(QStringLiteral("Stopped: the main window was closed."));
    }
}
