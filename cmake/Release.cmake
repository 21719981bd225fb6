# What the package, the metainfo and the changelog say about this release and
# who makes it. The project has no host of its own yet: the homepage and the
# mail address stand under the reserved example.org until it has one, and the
# AppStream id is that host's name reversed.
set(DOVANEL_RELEASE_DATE 2026-12-11)
set(DOVANEL_HOMEPAGE "https://dovanel.example.org/")
set(DOVANEL_MAINTAINER "DOVANEL For Archiver developers <dovanel@dovanel.example.org>")
set(DOVANEL_APP_ID org.example.dovanel)
