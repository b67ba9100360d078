// What a page's VBScript computed, by name: got "name", value.
var results = {};
function got(name, value) {
  results[name] = value;
}
function expectAll(want) {
  for (var k in want) expect(k, results[k], want[k]);
  done();
}
