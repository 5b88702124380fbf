#include "CupsQueue.h"

#include "PrintDevice.h"

#include <QFile>

#include <cups/cups.h>

#include <cstring>

namespace korvex::cups {
namespace {

struct QueueName {
    QByteArray name;
    QByteArray instance; // empty: the queue itself
};

QueueName splitQueueName(const QString& queue)
{
    const qsizetype slash = queue.indexOf(u'/');
    if (slash < 0)
        return {queue.toLocal8Bit(), {}};
    return {queue.left(slash).toLocal8Bit(), queue.mid(slash + 1).toLocal8Bit()};
}

QString lastCupsError()
{
    return QString::fromLocal8Bit(cupsLastErrorString());
}

// What the queue's operator said about its state ("Out of toner"), asked from the
// scheduler because the destination list does not carry it.
QString stateMessage(const QByteArray& printerUri)
{
    QString message;
    if (!printerUri.isEmpty()) {
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.constData());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "printer-state-message");
        if (ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/")) {
            if (ipp_attribute_t* attr = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
                message = QString::fromUtf8(ippGetString(attr, 0, nullptr));
            ippDelete(response);
        }
    }
    return message.isEmpty() ? QStringLiteral("no reason given") : message;
}

} // namespace

void requireAcceptingJobs(const QString& queue)
{
    const QueueName q = splitQueueName(queue);
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, q.name.constData(),
                                         q.instance.isEmpty() ? nullptr : q.instance.constData());
    if (!dest)
        throw PrinterError(QStringLiteral("The printer \"%1\" is not available: %2").arg(queue, lastCupsError()));
    const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool refuses = accepting && std::strcmp(accepting, "false") == 0;
    const QByteArray uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
    cupsFreeDests(1, dest);
    if (refuses)
        throw PrinterError(QStringLiteral("The printer \"%1\" does not accept jobs: %2").arg(queue, stateMessage(uri)));
}

int submitPdf(const QString& queue, const QString& pdfPath, const QString& title, const QPageLayout& layout)
{
    const QueueName q = splitQueueName(queue);
    const QByteArray media = layout.pageSize().key().toUtf8();
    cups_option_t* options = nullptr;
    int optionCount = cupsAddOption("media", media.constData(), 0, &options);
    if (layout.orientation() == QPageLayout::Landscape)
        optionCount = cupsAddOption("landscape", "", optionCount, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, q.name.constData(), QFile::encodeName(pdfPath).constData(),
                                   title.toUtf8().constData(), optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (job == 0)
        throw PrinterError(QStringLiteral("The printer \"%1\" did not take the job: %2").arg(queue, lastCupsError()));
    return job;
}

} // namespace korvex::cups
