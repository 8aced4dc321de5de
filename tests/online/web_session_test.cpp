#include <gtest/gtest.h>

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>

#include "loopback_http_server.h"
#include "message_box_answers.h"
#include "online/web_session.h"
#include "qt_printers.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFailure = u"FOO"_s;

class WebSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.IsListening());
        m_session.SetFailureText(kFailure);
    }

    QString FetchAnswer(const QByteArray& raw) {
        m_server.SetResponse(raw);
        return m_session.Fetch(m_server.Address("/zelmoraversion.txt"));
    }

    // 20,000 bytes of letters.
    static QByteArray Letters(int size) {
        QByteArray bytes(size, 'a');
        for (int i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>('a' + i % 26);
        }
        return bytes;
    }

    CLoopbackHttpServer m_server;
    CWebSession m_session;
    CMessageBoxAnswers m_boxes;
};

TEST_F(WebSessionTest, ReadsAnAnnouncedBodyAsTheOldBrowserWithABusyCursor) {
    Qt::CursorShape during = Qt::ArrowCursor;
    m_server.OnRequest([&] {
        if (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            during = cursor->shape();
        }
    });
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength("1.20")), u"1.20"_s);
    const QByteArray request = m_server.LastRequest();
    EXPECT_TRUE(request.startsWith("GET /zelmoraversion.txt HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)\r\n"))
        << request.toStdString();
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Windows-1252 bytes become their characters.
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength("Gr\xfc\xdf\x65 \x80")), u"Grüße €"_s);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(WebSessionTest, ABodyWithoutLengthIsReadWholeInChunksEachCutAtAZeroByte) {
    const QByteArray body = Letters(20000);
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::Chunked(body, 777)), QString::fromLatin1(body));

    // The zero byte loses the rest of its own 8192-byte read only.
    QByteArray zeroed = body;
    zeroed[100] = '\0';
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::Chunked(zeroed)),
              QString::fromLatin1(body.left(100) + body.mid(8192)));
    // With an announced length the text ends at the zero byte.
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength(QByteArray("1.2\0abc", 7))), u"1.2"_s);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(WebSessionTest, LengthsFromNothingToImplausibleReadOnlyWhatArrivesUpToTheCap) {
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength("")), QString());
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::Chunked("")), QString());
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader("Content-Length: -7", "1.20")), QString());
    // Error pages are bodies like any other.
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength("<h1>Not Found</h1>", "404 Not Found")),
              u"<h1>Not Found</h1>"_s);
    // Far more announced than sent: the bytes that came, and no huge buffer.
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader("Content-Length: 99999999999", "1.20")), u"1.20"_s);
    // Long bodies stop at 64 KiB, announced or not.
    const QByteArray big = Letters(100000);
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithLength(big)).size(), CWebSession::kMaxBodyBytes);
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::Chunked(big, 4096)).size(), CWebSession::kMaxBodyBytes);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(WebSessionTest, ALengthTooLongForTheQueryIsTheUnknownError) {
    const QByteArray longLength = "Content-Length: " + QByteArray(31, '0') + "4";
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader(longLength, "1.20")), kFailure);
    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(m_boxes.Calls()[0].text, u"Unbekannter Fehler!"_s);
    EXPECT_EQ(m_boxes.Calls()[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(m_boxes.Calls()[0].icon, QMessageBox::Warning);
    // 31 characters still fit.
    const QByteArray fits = "Content-Length: " + QByteArray(30, '0') + "4";
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader(fits, "1.20")), u"1.20"_s);
    EXPECT_EQ(m_boxes.Calls().size(), 1u);
}

TEST_F(WebSessionTest, WhatCannotBeFetchedIsTheFailureTextSilently) {
    QString closedPort;
    {
        CLoopbackHttpServer gone;
        closedPort = gone.Address("/zelmoraversion.txt");
    }
    CWebSession quiet;
    EXPECT_EQ(quiet.Fetch(closedPort), QString());  // no failure text set yet: empty
    quiet.SetFailureText(u"kaputt"_s);
    EXPECT_EQ(quiet.Fetch(closedPort), u"kaputt"_s);
    // Only the web: not the disk, not data: addresses, not nonsense.
    EXPECT_EQ(quiet.Fetch(u"file:///etc/hostname"_s), u"kaputt"_s);
    EXPECT_EQ(quiet.Fetch(u"data:text/plain,1.20"_s), u"kaputt"_s);
    EXPECT_EQ(quiet.Fetch(u"1.20"_s), u"kaputt"_s);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(WebSessionTest, AServerThatStopsAnsweringIsGivenUpAfterTheStall) {
    m_session.SetStallTimeout(300);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(FetchAnswer(QByteArray()), kFailure);  // accepts, never answers
    EXPECT_GE(clock.elapsed(), 300) << "not before the time is up";
    EXPECT_EQ(m_server.RequestCount(), 1);
    // Headers and half a body, then silence: no half version number either.
    m_server.StallAfterResponse(true);
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader("Content-Length: 4", "1.")), kFailure);
    EXPECT_EQ(FetchAnswer(CLoopbackHttpServer::WithHeader("Transfer-Encoding: chunked", "2\r\n1.\r\n")),
              kFailure);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(m_boxes.Calls().empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
