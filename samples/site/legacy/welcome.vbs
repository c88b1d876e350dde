' Greets visitors on the old intranet page
Dim greeting
greeting   =   "Welcome to   Orchard Lane"
If   Hour(Now)   <   12   Then
	greeting = greeting & ", good morning"
End If
MsgBox   greeting
