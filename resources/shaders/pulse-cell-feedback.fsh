// Pulse Cell, feedback: a rippling membrane, simulated on a grid of blocks 4 points across
// (every texel of a block holds the same). Wave height now (red, green) and a frame ago
// (blue, alpha), 16 bits each, read texel by texel: filtering would blur the low byte into
// the high one. The finger beats into the membrane, faster as it moves faster; a slow
// heartbeat keeps it alive where nobody touches.

float decode(vec2 v) { return (v.x + v.y / 255.0) * 2.0 - 1.0; }

vec2 encode(float h) {
  float x = clamp(h * 0.5 + 0.5, 0.0, 0.9999);
  float hi = floor(x * 255.0) / 255.0;
  return vec2(hi, (x - hi) * 255.0);
}

// The black picture a look starts from is a membrane at rest.
bool calm(vec4 t) { return t.a > 0.99 && t.r + t.g + t.b < 0.01; }

// Block b of the membrane, blocks of side texels.
vec4 block(ivec2 b, ivec2 blocks, int side) {
  b = clamp(b, ivec2(0), blocks - 1);
  return texelFetch(u_buffer0, b * side + side / 2, 0);
}

float heightOf(ivec2 b, ivec2 blocks, int side) {
  vec4 t = block(b, blocks, side);
  return calm(t) ? 0.0 : decode(t.rg);
}

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  ivec2 size = textureSize(u_buffer0, 0);
  int side = max(1, int(floor(4.0 * float(size.x) / max(a_size.x, 1.0) + 0.5)));
  ivec2 blocks = max(size / side, ivec2(1));
  ivec2 b = min(ivec2(v_texcoord * vec2(size)) / side, blocks - 1);

  vec4 here = block(b, blocks, side);
  float now = calm(here) ? 0.0 : decode(here.rg);
  float previous = calm(here) ? 0.0 : decode(here.ba);
  float around = heightOf(b + ivec2(1, 0), blocks, side) + heightOf(b - ivec2(1, 0), blocks, side) +
                 heightOf(b + ivec2(0, 1), blocks, side) + heightOf(b - ivec2(0, 1), blocks, side);
  // The wave equation, damped, with a weak spring that pulls the membrane back to rest, so
  // the wake a wave leaves behind rings out instead of lingering as a bulge.
  float h = (around * 0.5 - previous) * 0.985 - 0.02 * now;

  vec2 aspect = vec2(float(blocks.x) / float(blocks.y), 1.0);
  vec2 at = (vec2(b) + 0.5) / vec2(blocks);
  float g = clamp(a_g, 0.0, 1.0);
  float sp = clamp(a_speed, 0.0, 1.0);
  vec2 d = (at - finger()) * aspect;
  // Each beat pushes the membrane down and lets it spring back, so it adds no lasting bulge.
  float beat = sin(u_time * (9.0 + 20.0 * sp));
  beat *= pow(abs(beat), 4.0);
  h += g * (0.25 + 0.25 * sp) * beat * exp(-dot(d, d) / 0.0015);

  vec2 heart = vec2(0.5 + 0.25 * sin(u_time * 0.13), 0.5 + 0.2 * cos(u_time * 0.17));
  vec2 k = (at - heart) * aspect;
  float heartbeat = sin(u_time * 3.4);
  h += 0.06 * heartbeat * pow(abs(heartbeat), 8.0) * exp(-dot(k, k) / 0.001);

  fragColor = vec4(encode(h), encode(now));
}
