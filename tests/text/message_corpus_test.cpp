// Whole messages: the text part, the attachments' names, types and bytes, decoded here and by
// Python's email package (policy.default: get_body, get_content, iter_attachments).
#include "python_oracle.h"
#include "text/line_source.h"
#include "text/mime_parts.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

const std::vector<test::OracleCase> kMessages = {
    {"issue-example",
     "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=\n"
     "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n"
     "Sch=F6ne Gr=FC=DFe,\nJ=FCrgen\n"},
    {"alternative-and-2231",
     "From - Mon Jan  1 00:00:00 2001\nMIME-Version: 1.0\n"
     "Content-Type: multipart/mixed; boundary=\"outer\"\n\npreamble\n--outer\n"
     "Content-Type: multipart/alternative;\n\tboundary=inner\n\n--inner\n"
     "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
     "U2Now7ZuZSBHcsO8w59lIGF1cyBNw7xuY2hlbiwKSsO8cmdlbgo=\n--inner\n"
     "Content-Type: text/html; charset=utf-8\n\n<p>Sch&ouml;ne Gr&uuml;&szlig;e</p>\n--inner--\n"
     "--outer\nContent-Type: application/pdf; name=\"rates.pdf\"\nContent-Transfer-Encoding: "
     "base64\n"
     "Content-Disposition: attachment; filename*=utf-8''%E2%82%AC%20rates.pdf\n\n"
     "JVBERi0xLjQgAAEC/yBiaW5hcnkK\n--outer--\nepilogue\n"},
    {"qp-1252-and-names",
     "Content-Type: multipart/mixed; boundary=b\n\n--b\n"
     "Content-Type: text/plain; charset=windows-1252\nContent-Transfer-Encoding: "
     "quoted-printable\n\n"
     "=84Anf=FChrungszeichen=93 =96 5 =80\n--b\n"
     "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
     "Content-Disposition: attachment;\n filename*0*=iso-8859-1''Gr%FC; filename*1*=%DFe.txt\n\n"
     "iVBORw0KGgoAAAANSUhEUg==\n--b\n"
     "Content-Type: image/png; name=\"=?utf-8?B?R3LDvMOfZS5wbmc=?=\"\n"
     "Content-Transfer-Encoding: base64\n\niVBORw0K\nGgoAAAANSUhEUg==\n--b--\n"},
    {"shift_jis-and-uuencode",
     "Content-Type: multipart/mixed; boundary=\"=_x\"\n\n--=_x\n"
     "Content-Type: text/plain; charset=shift_jis\nContent-Transfer-Encoding: base64\n\n"
     "grGC8YLJgr+CzYFBkKKKRYFCCpP6lnuM6oLMg4GBW4OLgsWCt4FCCg==\n--=_x\n"
     "Content-Type: application/octet-stream;\n name*0=\"long-\"; name*1=\"name.txt\"\n"
     "Content-Transfer-Encoding: x-uuencode\n\nbegin 644 long-name.txt\n"
     "3=75E;F-O9&5D(&)Y=&5S( #_\"@  \n`\nend\n--=_x--\n"},
    {"koi8-r", "Content-Type: text/plain; charset=koi8-r\nContent-Transfer-Encoding: 8bit\n\n"
               "\xf0\xd2\xc9\xd7\xc5\xd4, \xcd\xc9\xd2!\n\xeb\xc1\xcb \xc4\xc5\xcc\xc1?\n"},
    {"iso-2022-jp", "Content-Type: text/plain; charset=ISO-2022-JP\n\n"
                    "\x1b$B2q5D$OL@F|$G$9!#\x1b(B\n\x1b$B$h$m$7$/\x1b(B\n"},
    {"big5", "Content-Type: text/plain; charset=big5\nContent-Transfer-Encoding: base64\n\n"
             "pKSk5bT6uNW2bKXzCrLEpEem5go=\n"},
    {"ks_c_5601-1987",
     "Content-Type: text/plain; charset=ks_c_5601-1987\nContent-Transfer-Encoding: base64\n\n"
     "vsiz58fPvLy/5C4gjGO55rCix88K\n",
     "python", "cp949"},
    {"iso-8859-2", "Content-Type: text/plain; charset=iso-8859-2\n"
                   "Content-Transfer-Encoding: quoted-printable\n\n"
                   "Za=BF=F3=B3=E6 g=EA=B6l=B1 ja=BC=F1\n"},
    {"qp-soft-breaks", "Content-Type: text/plain; charset=utf-8\n"
                       "Content-Transfer-Encoding: quoted-printable\n\n"
                       "Gr=C3=BC=C3=9Fe aus M=C3=BC=\nnchen =E2=80=94 bis bald\nZeile 2\n"},
    {"mislabelled-utf8-as-latin1",
     "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: 8bit\n\n"
     "Gr\xc3\xbc\xc3\x9f"
     "e aus M\xc3\xbcnchen\n",
     "issue"},
    {"undeclared-latin1",
     "Content-Type: text/plain\nContent-Transfer-Encoding: 8bit\n\n"
     "Gr\xfc\xdf"
     "e aus M\xfcnchen\n",
     "issue"},
    {"no-content-type-utf8",
     "Subject: x\n\nGr\xc3\xbc\xc3\x9f"
     "e\n",
     "issue"},
};

const char* kScript = R"(
import email, email.policy
for name, mode, override, data in cases():
    msg = email.message_from_bytes(data, policy=email.policy.default)
    body = msg.get_body(preferencelist=('plain', 'html'))
    text = ''
    if body is not None:
        payload = body.get_payload(decode=True)
        if mode == 'issue':
            text = issue_order(payload, body.get_content_charset())
        elif override:
            text = payload.decode(override)
        else:
            text = body.get_content()
    emit(name, 'text', text.replace('\r\n', '\n').rstrip('\n'))
    for i, part in enumerate(msg.iter_attachments()):
        emit(name, 'attachment%d type' % i, part.get_content_type())
        emit(name, 'attachment%d name' % i, part.get_filename() or '')
        emit(name, 'attachment%d bytes' % i, part.get_payload(decode=True))
)";

std::map<std::string, std::string> Decoded(const std::string& bytes) {
    const RawMessage raw = SplitRawMessage(bytes);
    const CMimeParts parts(raw.header, LineSource(raw.body));
    std::map<std::string, std::string> fields;
    std::string text = parts.Text();
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    fields["text"] = text;
    int n = 0;
    for (const int index : parts.Attachments()) {
        const std::string key = "attachment" + std::to_string(n++);
        fields[key + " type"] = parts.Parts()[static_cast<std::size_t>(index)].type;
        fields[key + " name"] = parts.Parts()[static_cast<std::size_t>(index)].fileName;
        fields[key + " bytes"] = parts.PartBytes(index);
    }
    return fields;
}

TEST(MessageCorpus, TextAndAttachmentsAsPythonDecodesThem) {
    std::string why;
    const auto answers = test::AskPython(kScript, kMessages, why);
    if (!answers)
        GTEST_SKIP() << why;
    for (const test::OracleCase& c : kMessages) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(answers->count(c.name));
        EXPECT_EQ(Decoded(c.bytes), answers->at(c.name));
    }
}

} // namespace
} // namespace qb
