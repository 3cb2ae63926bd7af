#include "scene_client.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

#include <cstdio>

namespace zq40::ctl {

namespace {

constexpr char kDefaultUrl[] = "http://127.0.0.1:8040";
constexpr int kTimeoutMs = 30'000;

struct Answer {
    int status = 0; // 0: no answer
    QByteArray body;
    QString failure;
};

Answer ask(const QUrl& url, const QByteArray& method, const QByteArray& body)
{
    QNetworkAccessManager client;
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    request.setRawHeader("Authorization", "Bearer " + qgetenv("ZQ40D_TOKEN"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-zq40");
    QNetworkReply* reply = client.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Answer a{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
             reply->errorString()};
    reply->deleteLater();
    return a;
}

// The service's refusals as the tool's exit codes.
int exitFor(int status)
{
    switch (status) {
    case 401:
    case 403:
        return kAccessDenied;
    case 404:
        return kNoSuchUnit;
    case 409:
        return kUnitHeld;
    default:
        return status >= 400 && status < 500 ? kBadUsage : kUnitFailed;
    }
}

} // namespace

int runScene(const Arguments& a)
{
    if (qEnvironmentVariableIsEmpty("ZQ40D_TOKEN")) {
        std::fputs("zq40ctl: set ZQ40D_TOKEN to a token of the service (zq40d add-token)\n", stderr);
        return kAccessDenied;
    }
    const QString base = !a.url.empty() ? QString::fromStdString(a.url)
                                        : qEnvironmentVariable("ZQ40D_URL", QString::fromLatin1(kDefaultUrl));
    const std::string& action = a.words[0];
    // The scene's name, or upload's file.
    const QString last = QString::fromStdString(a.words.back());
    QUrl url(base);
    QByteArray method = "POST", body;
    if (action == "list") {
        url.setPath(url.path() + QStringLiteral("/api/v1/scenes"));
        method = "GET";
    } else if (action == "save" || action == "apply") {
        url.setPath(url.path() +
                    QStringLiteral("/api/v1/units/%1/scenes/%2%3")
                        .arg(QString::fromStdString(a.words[1]), last,
                             action == "apply" ? QStringLiteral("/apply") : QString()));
    } else {
        url.setPath(url.path() + QStringLiteral("/api/v1/scenes/") + QString::fromStdString(a.words[1]));
        method = action == "delete" ? "DELETE" : "PUT";
        if (action == "upload") {
            QFile file(last);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "zq40ctl: cannot read %s\n", qPrintable(last));
                return kBadUsage;
            }
            body = file.readAll();
        }
    }
    if (!a.scope.empty())
        url.setQuery(QStringLiteral("scope=") + QString::fromStdString(a.scope));
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        std::fprintf(stderr, "zq40ctl: %s is not the service's http:// or https:// address\n", qPrintable(base));
        return kBadUsage;
    }
    const Answer answer = ask(url, method, body);
    if (answer.status == 0) {
        std::fprintf(stderr, "zq40ctl: the service at %s did not answer: %s\n", qPrintable(base),
                     qPrintable(answer.failure));
        return kUnitFailed;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(answer.body);
    if (answer.status >= 300) {
        const QString why = doc.object().value(QStringLiteral("error")).toString();
        std::fprintf(stderr, "zq40ctl: %s\n",
                     qPrintable(why.isEmpty() ? QStringLiteral("the service answered %1").arg(answer.status) : why));
        return exitFor(answer.status);
    }
    if (action == "list" && a.json)
        std::printf("%s\n", answer.body.constData());
    else if (action == "list")
        for (const QJsonValue& scene : doc.array())
            std::printf("%s\t%s\n", qPrintable(scene[QStringLiteral("name")].toString()),
                        qPrintable(scene[QStringLiteral("scope")].toString()));
    return kOk;
}

} // namespace zq40::ctl
