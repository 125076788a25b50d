' launchie.vbs: opens the KOVA web interface, or the page given as the
' first argument, in Internet Explorer.
'
'   wscript launchie.vbs [url]
Option Explicit

Const DefaultUrl = "http://localhost:9239/"

Dim url, browser
url = DefaultUrl
If WScript.Arguments.Count > 0 Then url = WScript.Arguments(0)

On Error Resume Next
Set browser = CreateObject("InternetExplorer.Application")
If Err.Number <> 0 Then
    MsgBox "Internet Explorer could not be started." & vbCrLf & "Open " & url & " in your web browser.", _
        vbExclamation, "KOVA"
    WScript.Quit 1
End If
On Error GoTo 0

browser.Visible = True
browser.Navigate url
WScript.Quit 0
