// Generated input for the VBScript interpreter: scripts from the test pages, cut, spliced and
// sprinkled with VBScript's own words and stray characters, each run with a step budget.
// fuzz(seeds, count, seed) -> {runs, outcomes: {ok, syntax, error, budget}, escaped: [...]}.
function fuzz(seeds, count, seed) {
  var state = seed >>> 0 || 1;
  function random(n) {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return (state >>> 8) % n;
  }
  var words = ["If", "Then", "Else", "ElseIf", "End If", "For", "To", "Step", "Next", "Each", "In", "Do",
    "Loop", "While", "Until", "Wend", "Select Case", "Case", "Case Else", "End Select", "Sub", "Function",
    "End Sub", "End Function", "Exit", "Exit Do", "Exit For", "Call", "Set", "Dim", "ReDim", "Preserve",
    "Const", "Class", "End Class", "Property Get", "With", "End With", "New", "Nothing", "Null", "Empty",
    "On Error Resume Next", "Err.Raise 5", "And", "Or", "Not", "Mod", "Is", "&", "\\", "^", "=", "<>",
    "(", ")", ",", ".", ":", "\n", "_\n", "\"", "\"\"", "'", "#1/2/2003#", "&HFF", "1E+308", "-",
    "Execute \"", "Eval(\"", "GetRef(\"", "Array(", "Split(", "ReDim a(100000000)", "x(1, 2)", "Me",
    "Rem", "[", "]", "<!--", "-->", "\nDo\nLoop\n", "\nWhile 1\nWend\n", "\nFor i = 1 To 1E+9 : Next\n",
    "\nSub R : R : End Sub : R\n"];
  function mutate(text) {
    var times = 1 + random(4);
    for (var i = 0; i < times; i++) {
      var at = random(text.length + 1);
      switch (random(6)) {
        case 0: text = text.slice(0, at) + text.slice(at + 1 + random(8)); break;
        case 1: text = text.slice(0, at) + " " + words[random(words.length)] + " " + text.slice(at); break;
        case 2: text = text.slice(0, at); break;
        case 3: var b = random(text.length + 1); text = text.slice(0, at) + text.slice(Math.min(at, b), Math.max(at, b)) + text.slice(at); break;
        case 4: text = text.slice(0, at) + String.fromCharCode(random(0x500)) + text.slice(at); break;
        default: text = text + "\n" + seeds[random(seeds.length)];
      }
    }
    return text;
  }
  var outcomes = { ok: 0, syntax: 0, error: 0, budget: 0 };
  var escaped = [];
  var runs = 0;
  for (var k = 0; k < count; k++) {
    var text = mutate(seeds[random(seeds.length)]);
    var result;
    try {
      result = trial(text, 20000);
    } catch (e) {
      result = "escaped " + e;
    }
    runs++;
    var kind = String(result).split(" ")[0];
    if (kind in outcomes) outcomes[kind]++;
    else if (escaped.length < 5) escaped.push(result + " <- " + JSON.stringify(text).slice(0, 300));
    else escaped.length++;
  }
  return { runs: runs, outcomes: outcomes, escaped: escaped };
}
