// The About box's terms agree with the GPL 3 of the plot library: no ban on passing it on.
#include "app/frmabout.h"

#include <QLabel>
#include <gtest/gtest.h>

TEST(AboutTerms, KeepTheWarrantyAndSupportNoticeAndNameTheLicenceAndSource) {
    frmAbout about(nullptr);
    const QString terms = about.findChild<QLabel *>(QStringLiteral("lblTermsOfUse"))->text();
    const QString flat = QString(terms).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    EXPECT_TRUE(flat.contains(QStringLiteral("as they are, without warranty")));
    EXPECT_TRUE(flat.contains(QStringLiteral("give no support")));
    EXPECT_TRUE(flat.contains(QStringLiteral("distributed under the GNU General Public License version 3")));
    EXPECT_TRUE(flat.contains(QStringLiteral("source code is available from")));
    for (const char *banned : {"third parties", "written permission", "Do not publish"})
        EXPECT_FALSE(flat.contains(QLatin1String(banned), Qt::CaseInsensitive)) << banned;
}
