#pragma once

#include <QByteArray>
#include <QString>

// The two Chinese encodings of the GB family as the browser engine decodes them. GBK (the
// encoding of the labels "gbk", "gb2312" and the like) reads one and two bytes only, with the
// byte 0x80 as the euro sign and the code points of Windows' code page 936 where it differs;
// gb18030 reads the four-byte sequences too, and the two-byte ones as GB 18030-2005 has them.
enum class GbEncoding { Gbk, Gb18030 };

QString decodeGb(const QByteArray &bytes, GbEncoding encoding);
