' A VBScript file of its own, named by the page's <script src>
Function FromFile(x)
  FromFile = "from the file: " & x
End Function
