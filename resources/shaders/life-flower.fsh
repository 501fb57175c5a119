// Life Flower: the feedback's living cells as blossoms, opening white and deepening to
// rose and violet as they age, in a haze of green where cells lived and died.

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

// The state of cell c, cells of side texels.
vec4 cellState(ivec2 c, ivec2 cells, int side) {
  c = clamp(c, ivec2(0), cells - 1);
  return texelFetch(u_buffer0, c * side + side / 2, 0);
}

void main() {
  ivec2 size = textureSize(u_buffer0, 0);
  int side = max(1, int(floor(10.0 * float(size.x) / max(a_size.x, 1.0) + 0.5)));
  ivec2 cells = max(size / side, ivec2(1));
  vec2 texel = v_texcoord * vec2(size);

  // Life and bloom between cell centres, smooth: the haze and the glow.
  vec2 q = texel / float(side) - 0.5;
  ivec2 b = ivec2(floor(q));
  vec2 t = fract(q);
  vec4 s00 = cellState(b, cells, side), s10 = cellState(b + ivec2(1, 0), cells, side);
  vec4 s01 = cellState(b + ivec2(0, 1), cells, side), s11 = cellState(b + ivec2(1, 1), cells, side);
  vec4 smoothState = mix(mix(s00, s10, t.x), mix(s01, s11, t.x), t.y);

  // This cell's own state, for its blossom.
  ivec2 cell = min(ivec2(texel) / side, cells - 1);
  vec4 state = cellState(cell, cells, side);
  float alive = state.r;
  float age = state.b;

  vec3 col = mix(vec3(0.015, 0.03, 0.025), vec3(0.035, 0.015, 0.05), v_texcoord.y);
  float haze = smoothState.g - smoothState.r * 0.5;
  col += vec3(0.05, 0.3, 0.14) * max(haze, 0.0) * 0.8;
  col += vec3(0.9, 0.45, 0.6) * smoothState.r * 0.35;

  vec2 local = (texel - vec2(cell * side)) / float(side) - 0.5;
  float r = length(local);
  float turn = hash(vec2(cell)) * 6.2831;
  float shape = 0.4 + 0.1 * cos(5.0 * atan(local.y, local.x) + turn + u_time * 0.8);
  vec3 rose = mix(vec3(1.0, 0.4, 0.62), vec3(1.0, 0.55, 0.35), hash(vec2(cell) * 0.71));
  vec3 petal = mix(vec3(1.0, 0.95, 0.85), rose, smoothstep(0.0, 0.08, age));
  petal = mix(petal, vec3(0.6, 0.3, 1.0), smoothstep(0.15, 0.7, age));
  float flower = alive * (1.0 - smoothstep(shape - 0.08, shape, r));
  col = mix(col, petal * (0.7 + 0.3 * smoothstep(0.0, shape, r)), flower);
  col += alive * vec3(1.0, 0.85, 0.35) * (1.0 - smoothstep(0.0, 0.1, r));

  vec2 d = (v_texcoord - finger()) * vec2(a_size.x / max(a_size.y, 1.0), 1.0);
  col += vec3(0.9, 0.7, 0.4) * clamp(a_g, 0.0, 1.0) * 0.18 * exp(-dot(d, d) / 0.004);

  fragColor = vec4(col, 1.0);
}
