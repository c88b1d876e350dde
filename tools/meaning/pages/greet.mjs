/*! greet.mjs - licence kept */
// Says hello.
export function greet(name) {
  return "Hello,  " + name + "!";   // two spaces stay: they are in a string
}
