"""End-to-end: the test bed's curl, wget and findstr under Wine."""
import os

from download_host import SERVER_TIME, install_curl, install_findstr, install_wget


def test_header_query_pipeline_passes_on_last_modified_only(box, host):
    install_curl(box)
    install_findstr(box)
    url = host.put("/x/a.exe", b"abc", mtime=SERVER_TIME)
    code, out = box.output("cmd", "/c", "cURL --connect-timeout 2 -u diagnose:TiloWemaGrub5_ -sI " + url +
                           " | findstr Last-Modified:")
    assert out == "Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\n"
    assert host.requests() == [("HEAD", "/x/a.exe", 200)]


def test_curl_and_wget_write_to_windows_paths(box, host):
    install_curl(box)
    folder = os.path.join(box.c, "Program Files", "Merovix")
    install_wget(box, folder)
    url = host.put("/x/a.exe", b"payload", mtime=SERVER_TIME)
    assert box.run("curl", "-R", "-u", "diagnose:TiloWemaGrub5_", "-o", "C:\\Program Files\\Merovix\\c.exe", url) == 0
    assert box.run(os.path.join(folder, "wget.exe"), "--http-user=diagnose", "--http-password=TiloWemaGrub5_",
                   "--no-check-certificate", "-N", "-P", "C:\\Program Files\\Merovix", url) == 0
    for name in ("c.exe", "a.exe"):
        path = os.path.join(folder, name)
        assert open(path, "rb").read() == b"payload"
        assert int(os.stat(path).st_mtime) == SERVER_TIME
    assert box.run("curl", "--fail", "-u", "diagnose:TiloWemaGrub5_", "-o", "C:\\x.exe", host.url("/err/404/x.exe")) == 22
