// Warp Speed, feedback: stars stream out from the finger and leave trails; the faster the
// finger, the faster the flight and the more it twists. The gate lights a core of heat.

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  vec2 uv = v_texcoord;
  vec2 size = max(a_size, vec2(1.0));
  vec2 aspect = vec2(size.x / size.y, 1.0);
  float g = clamp(a_g, 0.0, 1.0);
  float s = clamp(a_speed, 0.0, 1.0);
  vec2 f = finger();

  // Last frame, pulled a little towards the centre of flight: what was there moves out.
  float zoom = 0.022 + 0.06 * s + 0.01 * g;
  float twist = 0.004 + 0.03 * s;
  vec2 d = uv - f;
  float ct = cos(twist), st = sin(twist);
  vec2 from = f + mat2(ct, st, -st, ct) * d * (1.0 - zoom);
  // What moved keeps its light; what it left behind fades into a streak.
  vec3 moved = texture(u_buffer0, from).rgb * 0.985;
  vec3 left = texture(u_buffer0, uv).rgb * 0.8;
  vec3 col = max(max(moved, left) - 0.004, 0.0);

  // New stars, scattered afresh every frame, brighter away from the centre.
  vec2 cell = floor(uv * size / 2.5);
  float r = length(d * aspect);
  float star = step(0.9985 - 0.001 * s, hash(cell + fract(u_time * 7.31) * vec2(71.3, 37.1)));
  vec3 hue = mix(vec3(0.6, 0.75, 1.0), vec3(1.0, 0.7, 0.9), hash(cell * 0.37));
  col += star * hue * smoothstep(0.03, 0.35, r) * 2.5;

  // The core: hot while the finger holds the pad.
  col += g * vec3(1.0, 0.55, 0.25) * 0.25 * exp(-r * r / 0.0015);

  fragColor = vec4(col, 1.0);
}
