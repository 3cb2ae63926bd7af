#include "page_files.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <array>

// Outside any namespace, as Qt's macro requires; the resource lives in a
// static library, where nothing else would keep it linked in.
static void initPageResource()
{
    Q_INIT_RESOURCE(page);
}

namespace zq40::daemon {

namespace {

struct PageFile {
    const char* path;
    const char* resource;
    const char* type;
};

constexpr std::array<PageFile, 4> kFiles{{
    {"/", ":/page/index.html", "text/html; charset=utf-8"},
    {"/staff.css", ":/page/staff.css", "text/css; charset=utf-8"},
    {"/staff.js", ":/page/staff.js", "text/javascript; charset=utf-8"},
    {"/icon.png", ":/page/icon.png", "image/png"},
}};

HttpReply plain(int status, const char* text)
{
    HttpReply reply;
    reply.status = status;
    reply.contentType = "text/plain; charset=utf-8";
    reply.body = text;
    return reply;
}

// The events socket is on this host and port: older browsers do not count
// ws: and wss: as 'self'. A Host that is not a plain name or address adds
// nothing.
QByteArray policy(const QByteArray& host)
{
    static const QRegularExpression plainHost(
        QStringLiteral("^[A-Za-z0-9.\\-]+(:[0-9]{1,5})?$|^\\[[0-9A-Fa-f:.]+\\](:[0-9]{1,5})?$"));
    QByteArray connect = "connect-src 'self'";
    if (plainHost.match(QString::fromLatin1(host)).hasMatch())
        connect += " ws://" + host + " wss://" + host;
    return "default-src 'self'; " + connect +
        "; img-src 'self'; object-src 'none'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";
}

} // namespace

HttpReply pageReply(const HttpRequest& request)
{
    static const bool loaded = (initPageResource(), true);
    (void)loaded;
    const auto file = std::find_if(kFiles.begin(), kFiles.end(),
                                   [&request](const PageFile& f) { return request.path == QLatin1String(f.path); });
    if (file == kFiles.end())
        return plain(404, "no such page\n");
    if (request.method != "GET")
        return plain(405, "use GET\n");
    QFile resource(QString::fromLatin1(file->resource));
    if (!resource.open(QIODevice::ReadOnly))
        return plain(500, "the page is missing from this build\n");
    HttpReply reply;
    reply.contentType = file->type;
    reply.body = resource.readAll();
    reply.headers = {
        {"Content-Security-Policy", policy(request.header("Host"))},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
    };
    return reply;
}

} // namespace zq40::daemon
