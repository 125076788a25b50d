@echo off
rem Prints the version of this KOVA installation.
echo KOVA 17.1
echo Kovalith library browser, release 17.1 (XBRT 550 713/2 R17B)
echo Copyright Brannvik
