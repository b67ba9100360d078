// The test pages' verdict: each page compares what its VBScript did with what VBScript does,
// written here in JavaScript, and calls done() when everything it waits for has happened. The
// title becomes "ok", or the list of what differed.
var failures = [];
function expect(what, got, want) {
  if (got !== want) failures.push(what + ": " + JSON.stringify(got) + " instead of " + JSON.stringify(want));
}
function done() {
  document.title = failures.length ? failures.join("; ") : "ok";
  // The verdict on the page too, for whoever looks at it.
  var verdict = document.createElement("p");
  verdict.appendChild(document.createTextNode(document.title));
  document.body.appendChild(verdict);
}
